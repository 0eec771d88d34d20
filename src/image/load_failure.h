#pragma once

#include <cstddef>
#include <cstdio>

/** Why an image file did not load, in the order a reader meets them. */
enum class LoadError {
	None,
	CannotOpen, // the system's reason in n_system_error
	CannotRead, // a read failed before the end of the file; the system's reason in n_system_error
	Unseekable, // a FIFO, socket or device, which the readers cannot seek in; p_s_detail names it ("a FIFO")
	Misnamed, // a file of another format than its name says; p_s_detail: "PNG file named .jpg"
	NotThisFormat, // the bytes are not a file of the format p_s_detail names ("PNG", "JPEG", ...),
		// maybe followed by a space and a remark: "JPEG (no start-of-image marker ...)"
	EndsEarly, // the file ends before its data does; p_s_detail may say where
	Corrupt, // a header, chunk or segment is damaged; p_s_detail says which (libpng's own text for PNG)
	Unsupported, // a valid file of a kind the tool does not read; p_s_detail names the kind
	TooLarge, // more pixels than the tool takes; p_s_detail may give the size
	NoMemory // memory ran out while loading
};

/**
 *	A reader's reason for returning no image. Readers print nothing: they
 *	record the reason here and the driver prints it.
 */
struct LoadFailure {
	LoadError n_error = LoadError::None;
	int n_system_error = 0; // errno, for CannotOpen and CannotRead
	char p_s_detail[160] = {}; // in plain words; empty when there is nothing to add
};

/**
 *	@brief records why a load failed; the first failure recorded stays, so
 *		the reader that saw the fault first, the most specific one, is heard
 *	@param[out] p_failure is the record (null: nothing is recorded)
 *	@param[in] p_s_detail_format is a printf format of the detail, or null
 *	@return false, so a reader can write return b_LoadFailed(...);
 */
bool b_LoadFailed(LoadFailure *p_failure, LoadError n_error, const char *p_s_detail_format = nullptr, ...)
#if defined(__GNUC__)
	__attribute__((format(printf, 3, 4)))
#endif
	;

/** @brief records a failed open or read with the errno value the system gave; returns false */
bool b_LoadSystemFailed(LoadFailure *p_failure, LoadError n_error, int n_system_error);

/**
 *	@brief records a read that returned fewer bytes than asked: CannotRead
 *		with errno when the stream's error flag is set, else EndsEarly
 *	@param[in] p_s_where says where the file ends ("in the header"), or is null
 *	@return false
 */
bool b_LoadReadFailed(LoadFailure *p_failure, FILE *p_file, const char *p_s_where = nullptr);

/**
 *	@brief writes the reason in plain words, one line without its line end
 *		("cannot open the file: No such file or directory", "not a PNG file",
 *		"unsupported: progressive JPEG", ...)
 *	@param[out] p_s_text receives at most n_size characters with the terminator
 */
void DescribeLoadFailure(const LoadFailure &r_failure, char *p_s_text, size_t n_size);
