#include "header/decompress_optimiser.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>

#include "compress/stream_format.h"

/*
 *	The optimiser works on the text alone: it finds marker strings of the
 *	template and cuts or replaces around them. Every search takes the first
 *	occurrence at or after its start; all offsets are into the current text.
 */

namespace {

const size_t n_npos = std::string::npos;

/** Where the optimiser reports: the "code opts" notes (null unless verbose) and errors. */
struct Report {
	FILE *p_notes;
	FILE *p_err;
};

void Note(const Report &r_report, const char *p_s_note)
{
	if(r_report.p_notes)
		fputs(p_s_note, r_report.p_notes);
}

bool b_Fatal(const Report &r_report, const char *p_s_message)
{
	fputs(p_s_message, r_report.p_err);
	return false;
}

/** @brief offset of the first character after a marker's leading newline and indentation */
size_t n_TextStart(const std::string &r_s_code, size_t n_marker)
{
	return r_s_code.find_first_not_of("\n\t", n_marker);
}

// ---- UnPredict_ImagePlane ----

const uint32_t n_all_predictors = (1U << n_predictor_num) - 1;

/** @brief whether any predictor of a set codes a border of first rows (b_rows) or columns as plain differences */
bool b_AnyBorder(uint32_t n_used, bool b_rows)
{
	for(int n_predictor = 0; n_predictor < n_predictor_num; ++ n_predictor) {
		const PredictorInfo &r_info = p_predictor_info[n_predictor];
		if((n_used >> n_predictor & 1) && ((b_rows)? r_info.n_first_row : r_info.n_first_col) > 0)
			return true;
	}
	return false;
}

const char p_s_first_col_loop[] = "for(int x = 0; x < n_first_col; ++ x) {";
const char p_s_first_row_loop[] = "for(int y = 0; y < n_first_row; ++ y) {";

/**
 *	@brief replaces a border replication loop (closed by the first "}" after
 *		its head; its inner loop has no braces) by an assertion
 *	@note A template without the loop is left as it is: the loop is correct
 *		for every predictor, only slower.
 */
void OmitReplicationLoop(std::string &r_s_code, const char *p_s_loop, const char *p_s_assertion,
	const char *p_s_note, const Report &r_report)
{
	const size_t n_begin = r_s_code.find(p_s_loop);
	const size_t n_close = (n_begin == n_npos)? n_npos : r_s_code.find('}', n_begin + strlen(p_s_loop));
	if(n_close == n_npos)
		return;
	Note(r_report, p_s_note);
	r_s_code.replace(n_begin, n_close + 1 - n_begin, p_s_assertion);
}

/*
 *	The predictor chain, one branch per predictor but "none":
 *
 *		if(n_pred_type == 0)                 single statement
 *			...;
 *		else if(n_pred_type == 1)
 *			...;
 *		else if(n_pred_type == 2) {          braced block, no inner braces
 *			...
 *		} else if(n_pred_type == 3) {
 *		...
 *		} else if(n_pred_type == 7)          single statement after a brace
 *			...;
 *		else if(n_pred_type == 8)
 *		...
 *		else if(n_pred_type == 11)
 *			...;
 */

/** One branch of the predictor chain. */
struct PredictorBranch {
	size_t n_if; // its "if(n_pred_type == p)"
	bool b_braced;
	size_t n_end; // its block's "}", or the newline that ends its single statement
	size_t n_next_else; // "else" of the branch that follows; n_npos for the last branch
};

bool b_FindPredictorBranch(const std::string &r_s_code, int n_predictor,
	PredictorBranch &r_branch, const Report &r_report)
{
	const std::string s_pattern = "if(n_pred_type == " + std::to_string(n_predictor) + ")";
	if((r_branch.n_if = r_s_code.find(s_pattern)) == n_npos)
		return b_Fatal(r_report, "fatal error: can't find pattern for this predictor\n");
	const size_t n_after = r_branch.n_if + s_pattern.size();
	const size_t n_first = r_s_code.find_first_not_of(" \t\r\n", n_after);
	r_branch.b_braced = n_first != n_npos && r_s_code[n_first] == '{';
	if(r_branch.b_braced)
		r_branch.n_end = r_s_code.find('}', n_first);
	else {
		const size_t n_line_end = r_s_code.find('\n', n_after);
		r_branch.n_end = (n_line_end == n_npos)? n_npos : r_s_code.find('\n', n_line_end + 1);
	}
	if(r_branch.n_end == n_npos)
		return b_Fatal(r_report, "fatal error: can't find end-pattern for this predictor\n");
	const size_t n_next = r_s_code.find_first_not_of(" \t\r\n", r_branch.n_end + 1);
	r_branch.n_next_else = (n_next != n_npos && !r_s_code.compare(n_next, 4, "else"))? n_next : n_npos;
	return true;
}

/**
 *	@brief cuts one predictor's branch out of the chain, keeping the chain valid
 *	@param[in] b_head is set when every branch before this one has been cut
 */
bool b_CutPredictorBranch(std::string &r_s_code, int n_predictor, bool b_head, const Report &r_report)
{
	PredictorBranch branch;
	if(!b_FindPredictorBranch(r_s_code, n_predictor, branch, r_report))
		return false;
	if(b_head) {
		if(branch.n_next_else != n_npos) // the next "if" takes over: drop its "else "
			r_s_code.erase(branch.n_if, branch.n_next_else + strlen("else ") - branch.n_if);
		else // a statement keeps its newline, a block loses its brace
			r_s_code.erase(branch.n_if, branch.n_end + ((branch.b_braced)? 1 : 0) - branch.n_if);
		return true;
	}

	const size_t n_else = r_s_code.find("else", (branch.n_if > 6)? branch.n_if - 6 : 0);
	if(n_else >= branch.n_if)
		return b_Fatal(r_report, "fatal error: can't find pattern for this predictor\n");
	const size_t n_before_else = (n_else)? r_s_code.find_last_not_of(" \t", n_else - 1) : n_npos;
	const bool b_else_starts_line = n_before_else == n_npos || r_s_code[n_before_else] == '\n';
	if(!branch.b_braced && b_else_starts_line) {
		// both lines whole, indentation included
		const size_t n_line = (n_before_else == n_npos)? 0 : n_before_else + 1;
		r_s_code.erase(n_line, branch.n_end + 1 - n_line);
	} else if(branch.n_next_else != n_npos) {
		// up to the next "else", which moves up behind whatever preceded this one
		r_s_code.erase(n_else, branch.n_next_else - n_else);
	} else if(!branch.b_braced) {
		// the last branch, behind a block's "}": that brace now closes the chain
		r_s_code.erase(n_else - 1, branch.n_end - (n_else - 1));
	} else
		return b_Fatal(r_report, "fatal error: can't find end-pattern for this predictor\n");
	return true;
}

/**
 *	@brief cuts the branch of every predictor that is not used and asserts at
 *		the top of UnPredict_ImagePlane that none of them is asked for
 */
bool b_CutUnusedPredictors(std::string &r_s_code, uint32_t n_used, const Report &r_report)
{
	std::string s_conditions;
	int n_cut_num = 0;
	for(int n_predictor = 0; n_predictor < n_predictor_num; ++ n_predictor) {
		if(n_predictor == pred_None || (n_used >> n_predictor & 1))
			continue;
		const uint32_t n_branches_before = ((1U << n_predictor) - 1) & ~(1U << pred_None);
		const bool b_head = !(n_used & n_branches_before);
		// four conditions to a line
		s_conditions += (!n_cut_num)? "" : (n_cut_num % 4)? " && " : " &&\n\t\t\t";
		s_conditions += "n_pred_type != " + std::to_string(n_predictor);
		++ n_cut_num;
		if(r_report.p_notes) {
			fprintf(r_report.p_notes, "\tcode opts: can ommit code for the %s predictor (%d)\n",
				p_s_PredictorName(n_predictor), n_predictor);
		}
		if(!b_CutPredictorBranch(r_s_code, n_predictor, b_head, r_report))
			return false;
	}
	if(!n_cut_num)
		return true;

	const size_t n_name = r_s_code.find("void UnPredict_ImagePlane");
	const size_t n_body = (n_name == n_npos)? n_npos : r_s_code.find('{', n_name);
	if(n_body == n_npos)
		return b_Fatal(r_report, "fatal error: can't find pattern for UnPredict_ImagePlane()\n");
	r_s_code.insert(n_body + 1, "\n\t\t_ASSERTE(" + s_conditions + "); // some code omitted");
	return true;
}

bool b_PruneUnPredict(std::string &r_s_code, uint32_t n_used, const Report &r_report)
{
	n_used &= n_all_predictors;
	if(!b_AnyBorder(n_used, true)) {
		OmitReplicationLoop(r_s_code, p_s_first_row_loop, "_ASSERTE(!n_first_row); // code not needed, omitted",
			"\tcode opts: can ommit first row replication for the predictors\n", r_report);
	}
	if(!b_AnyBorder(n_used, false)) {
		OmitReplicationLoop(r_s_code, p_s_first_col_loop, "_ASSERTE(!n_first_col); // code not needed, omitted",
			"\tcode opts: can ommit first col replication for the predictors\n", r_report);
	}
	return b_CutUnusedPredictors(r_s_code, n_used, r_report);
}

// ---- the decoder's colour paths ----

/*
 *	The paths of the decoder, with the markers (each begins with the newline
 *	before its line, and its tabs are the line's indentation):
 *
 *		if(!b_gray) {                              colour
 *			...
 *			if(b_alpha)
 *				UnPredict_ImagePlane(... alpha ...);
 *			for(...) {
 *				for(...) {
 *					uint8_t r, g, b;
 *					if(!b_lossless_color) {
 *						r = ...; g = ...; b = ...;       six tabs
 *					} else {
 *						g = ...; r = ...; b = ...;
 *					}
 *					if(b_alpha) {
 *						p_image[...] = ... alpha ...;
 *					} else
 *						p_image[...] = 0xff000000U | ...;
 *				}
 *			}
 *		} else {                                   grayscale
 *			...
 *			if(b_alpha) {
 *				...
 *			} else {
 *				...
 *			}
 *		}
 */

const char p_s_outer_if[] = "\n\t\tif(!b_gray) {";
const char p_s_outer_else[] = "\n\t\t} else {";
const char p_s_outer_close[] = "\n\t\t}\n";
const char p_s_gray_if[] = "\n\t\t\tif(b_alpha) {";
const char p_s_gray_else[] = "\n\t\t\t} else {";
const char p_s_gray_close[] = "\n\t\t\t}\n";
const char p_s_alpha_unpredict[] = "\n\t\t\tif(b_alpha)\n";
const char p_s_lossy_if[] = "\n\t\t\t\t\tif(!b_lossless_color) {";
const char p_s_lossy_else[] = "\n\t\t\t\t\t} else {";
const char p_s_lossy_close[] = "\n\t\t\t\t\t}\n";
const char p_s_store_if[] = "\n\t\t\t\t\tif(b_alpha) {";
const char p_s_store_else[] = "\n\t\t\t\t\t} else\n";
const char p_s_rgb_declaration[] = "\n\t\t\t\t\tuint8_t r, g, b;\n";
const char p_s_pixel_loop_close[] = "\n\t\t\t\t}\n";
const char p_s_six_tabs[] = "\t\t\t\t\t\t";
// the declaration of r, g, b sits just above the colour transform branch
const size_t n_rgb_declaration_lookback = 30;

/** The three markers of an if / else pair, each found after the end of the one before. */
struct BranchFrame {
	size_t n_if, n_else, n_close;
};

bool b_FindFrame(const std::string &r_s_code, const char *p_s_if, const char *p_s_else,
	const char *p_s_close, BranchFrame &r_frame)
{
	if((r_frame.n_if = r_s_code.find(p_s_if)) == n_npos ||
	   (r_frame.n_else = r_s_code.find(p_s_else, r_frame.n_if + strlen(p_s_if))) == n_npos)
		return false;
	r_frame.n_close = r_s_code.find(p_s_close, r_frame.n_else + strlen(p_s_else));
	return r_frame.n_close != n_npos;
}

bool b_KeepGrayPath(std::string &r_s_code, const BranchFrame &r_outer, bool b_alpha, const Report &r_report)
{
	Note(r_report, "\tcode opts: can ommit code for the RGB(A) branch\n");
	const size_t n_outer_if = n_TextStart(r_s_code, r_outer.n_if);
	r_s_code.replace(n_outer_if, r_outer.n_else + strlen(p_s_outer_else) - n_outer_if, (b_alpha)?
		"{\n\t\t\t_ASSERTE(b_gray && b_alpha);" : "{\n\t\t\t_ASSERTE(b_gray && !b_alpha);");

	BranchFrame inner;
	if(!b_FindFrame(r_s_code, p_s_gray_if, p_s_gray_else, p_s_gray_close, inner))
		return b_Fatal(r_report, "fatal error: can't find pattern for the inner gray type branch\n");
	const size_t n_inner_if = n_TextStart(r_s_code, inner.n_if);
	if(b_alpha) {
		Note(r_report, "\tcode opts: can ommit code for the gray-only branch\n");
		r_s_code.erase(inner.n_else, inner.n_close - inner.n_else);
		r_s_code.replace(n_inner_if, inner.n_if + strlen(p_s_gray_if) - n_inner_if, "{");
	} else {
		Note(r_report, "\tcode opts: can ommit code for the gray-alpha branch\n");
		r_s_code.replace(n_inner_if, inner.n_else + strlen(p_s_gray_else) - n_inner_if, "{");
	}
	return true;
}

bool b_PruneAlphaUnpredict(std::string &r_s_code, bool b_alpha, const Report &r_report)
{
	const size_t n_if = r_s_code.find(p_s_alpha_unpredict);
	const size_t n_call = (n_if == n_npos)? n_npos : n_if + strlen(p_s_alpha_unpredict);
	const size_t n_call_end = (n_if == n_npos)? n_npos : r_s_code.find('\n', n_call);
	if(n_call_end == n_npos)
		return b_Fatal(r_report, "fatal error: can't find pattern for the inner alpha unpredict branch\n");
	if(b_alpha) {
		Note(r_report, "\tcode opts: can optimize code for the alpha unpredict branch\n");
		r_s_code.erase(n_if + 1, n_call - n_if); // the "if" line and one tab of the call
	} else {
		Note(r_report, "\tcode opts: can ommit code for the alpha unpredict branch\n");
		r_s_code.erase(n_if, n_call_end - n_if);
	}
	return true;
}

/**
 *	@brief keeps the lossy or the lossless colour transform
 *	@param[out] r_n_body is where the kept transform's lines now begin
 */
bool b_PruneColourTransform(std::string &r_s_code, bool b_lossless_color, size_t &r_n_body,
	const Report &r_report)
{
	BranchFrame frame;
	if(!b_FindFrame(r_s_code, p_s_lossy_if, p_s_lossy_else, p_s_lossy_close, frame))
		return b_Fatal(r_report, "fatal error: can't find pattern for the inner compression type branch\n");
	const size_t n_closing_line = strlen(p_s_lossy_close) - 1; // without the newline that ends it
	if(b_lossless_color) {
		Note(r_report, "\tcode opts: can ommit code for the lossy color branch\n");
		r_s_code.erase(frame.n_close, n_closing_line);
		r_s_code.erase(frame.n_if, frame.n_else + strlen(p_s_lossy_else) - frame.n_if);
	} else {
		Note(r_report, "\tcode opts: can ommit code for the lossless color branch\n");
		r_s_code.erase(frame.n_else, frame.n_close + n_closing_line - frame.n_else);
		r_s_code.erase(frame.n_if, strlen(p_s_lossy_if));
	}
	r_n_body = frame.n_if + 1;
	return true;
}

bool b_PruneStore(std::string &r_s_code, bool b_alpha, const Report &r_report)
{
	BranchFrame frame; // n_close is the end of the opaque store's line
	if(!b_FindFrame(r_s_code, p_s_store_if, p_s_store_else, "\n", frame))
		return b_Fatal(r_report, "fatal error: can't find pattern for the inner compression type branch\n");
	if(b_alpha) {
		Note(r_report, "\tcode opts: can ommit code for the RGB branch\n");
		r_s_code.erase(frame.n_else, frame.n_close - frame.n_else);
		r_s_code.erase(frame.n_if, strlen(p_s_store_if));
	} else {
		Note(r_report, "\tcode opts: can ommit code for the RGBA branch\n");
		r_s_code.erase(frame.n_if, frame.n_else + strlen(p_s_store_else) - 1 - frame.n_if);
	}
	return true;
}

/**
 *	@brief moves the statements of the kept transform and store one level out,
 *		taking a tab from every run of six tabs up to the end of the pixel loop body
 */
void ReindentPixelLoop(std::string &r_s_code, size_t n_begin)
{
	size_t n_end = r_s_code.find(p_s_pixel_loop_close, n_begin);
	if(n_end == n_npos)
		return; // without the loop's end the extent is unknown; the indentation is only cosmetic
	for(size_t n_tabs = r_s_code.find(p_s_six_tabs, n_begin); n_tabs < n_end;
	   n_tabs = r_s_code.find(p_s_six_tabs, n_tabs + strlen(p_s_six_tabs) - 1)) {
		r_s_code.erase(n_tabs, 1);
		-- n_end;
	}
}

/**
 *	@brief declares r, g and b at their assignments, now that only one transform
 *		assigns them; left alone when any of them is not found
 */
void DeclareColoursAtAssignment(std::string &r_s_code, size_t n_body, const Report &r_report)
{
	const size_t n_declaration = r_s_code.find(p_s_rgb_declaration,
		(n_body > n_rgb_declaration_lookback)? n_body - n_rgb_declaration_lookback : 0);
	if(n_declaration == n_npos)
		return;
	const char *const p_assignment_list[] = {"\tr = ", "\tg = ", "\tb = "};
	size_t p_assignment[3];
	for(int i = 0; i < 3; ++ i) {
		p_assignment[i] = r_s_code.find(p_assignment_list[i], n_declaration + strlen(p_s_rgb_declaration));
		if(p_assignment[i] == n_npos)
			return;
	}
	Note(r_report, "\tcode opts: can ommit forward declaration for RGB\n");
	std::sort(p_assignment, p_assignment + 3, std::greater<size_t>()); // the last first keeps earlier offsets
	for(size_t n_assignment : p_assignment)
		r_s_code.insert(n_assignment + 1, "uint8_t ");
	r_s_code.erase(n_declaration + 1, strlen(p_s_rgb_declaration) - 1);
}

bool b_KeepColourPath(std::string &r_s_code, const BranchFrame &r_outer, bool b_alpha,
	bool b_lossless_color, const Report &r_report)
{
	static const char *const p_assertion[2][2] = { // [b_alpha][b_lossless_color]
		{"{\n\t\t\t_ASSERTE(!b_gray && !b_alpha && !b_lossless_color);",
			"{\n\t\t\t_ASSERTE(!b_gray && !b_alpha && b_lossless_color);"},
		{"{\n\t\t\t_ASSERTE(!b_gray && b_alpha && !b_lossless_color);",
			"{\n\t\t\t_ASSERTE(!b_gray && b_alpha && b_lossless_color);"}
	};
	Note(r_report, "\tcode opts: can ommit code for the grayscale branch\n");
	r_s_code.erase(r_outer.n_else, r_outer.n_close - r_outer.n_else);
	const size_t n_outer_if = n_TextStart(r_s_code, r_outer.n_if);
	r_s_code.replace(n_outer_if, r_outer.n_if + strlen(p_s_outer_if) - n_outer_if,
		p_assertion[b_alpha][b_lossless_color]);

	size_t n_body;
	if(!b_PruneAlphaUnpredict(r_s_code, b_alpha, r_report) ||
	   !b_PruneColourTransform(r_s_code, b_lossless_color, n_body, r_report) ||
	   !b_PruneStore(r_s_code, b_alpha, r_report))
		return false;
	ReindentPixelLoop(r_s_code, n_body);
	DeclareColoursAtAssignment(r_s_code, n_body, r_report);
	return true;
}

bool b_PruneDecoder(std::string &r_s_code, bool b_gray, bool b_alpha, bool b_lossless_color,
	const Report &r_report)
{
	BranchFrame outer;
	if(!b_FindFrame(r_s_code, p_s_outer_if, p_s_outer_else, p_s_outer_close, outer))
		return b_Fatal(r_report, "fatal error: can't find pattern for the outer color type branch\n");
	return (b_gray)? b_KeepGrayPath(r_s_code, outer, b_alpha, r_report) :
		b_KeepColourPath(r_s_code, outer, b_alpha, b_lossless_color, r_report);
}

} // namespace

bool b_OptimiseDecompressor(std::string &r_s_code, uint32_t n_used_predictors, bool b_gray,
	bool b_alpha, bool b_lossless_color, bool b_verbose, FILE *p_out, FILE *p_err)
{
	const Report report = {(b_verbose)? p_out : nullptr, p_err};
	Note(report, "\n");
	// the text and the search strings grow on the heap; running out ends the run
	try {
		if(!b_PruneUnPredict(r_s_code, n_used_predictors, report) ||
		   !b_PruneDecoder(r_s_code, b_gray, b_alpha, b_lossless_color, report))
			return false;
	} catch(const std::bad_alloc&) {
		fputs("error: not enough memory\n", p_err);
		return false;
	}
	Note(report, "\n");
	return true;
}
