#pragma once

/*
 *	What a test or benchmark program on QEMU's mps2-an386 board uses besides
 *	the headers it decodes: output and exit through semihosting calls made
 *	directly (newlib's semihosting library would pull malloc in through
 *	errno), the SysTick timer, which counts executed instructions when QEMU
 *	runs with -icount shift=0 (after calibration against a loop of known
 *	length), and stack painting. startup.cpp holds the vector table.
 */

#include <stddef.h>
#include <stdint.h>

extern "C" volatile uint32_t g_n_systick_wraps; // SysTick periods of 2^24 ticks elapsed
extern "C" uint32_t __stack_limit[];

/** @brief a semihosting call: bkpt 0xab with the operation in r0 and its argument in r1 */
inline uint32_t n_Semihost(uint32_t n_operation, const void *p_argument)
{
	uint32_t n_result;
	__asm__ volatile("mov r0, %1\n\tmov r1, %2\n\tbkpt 0xab\n\tmov %0, r0" : "=r"(n_result) :
		"r"(n_operation), "r"(p_argument) : "r0", "r1", "memory");
	return n_result;
}

/** @brief writes a null-terminated text to the host's standard output (SYS_WRITE0) */
inline void Print(const char *p_s_text)
{
	n_Semihost(0x04, p_s_text);
}

/** @brief ends the emulation (SYS_EXIT): QEMU's exit status is 0 for success, else 1 */
[[noreturn]] inline void Exit(bool b_success)
{
	const uintptr_t n_application_exit = 0x20026, n_run_time_error = 0x20023;
	n_Semihost(0x18, reinterpret_cast<const void*>((b_success)? n_application_exit : n_run_time_error));
	for(;;)
		;
}

/** @brief writes a number in decimal, or in eight hexadecimal digits */
inline void PrintNumber(uint32_t n_value, bool b_hex = false)
{
	char p_s_digits[12];
	char *p_s = p_s_digits + sizeof(p_s_digits) - 1;
	*p_s = 0;
	const uint32_t n_base = (b_hex)? 16 : 10;
	for(int i = 0; i < 8 || (!b_hex && n_value); ++ i) {
		if(!b_hex && !n_value && i)
			break;
		*-- p_s = "0123456789abcdef"[n_value % n_base];
		n_value /= n_base;
	}
	Print(p_s);
}

/** @brief CRC-32 (zlib's) of bytes, continuing from n_crc (start with 0xffffffff, complement at the end) */
inline uint32_t n_Crc32(const void *p_data, size_t n_size, uint32_t n_crc)
{
	const uint8_t *p_byte = static_cast<const uint8_t*>(p_data);
	for(size_t i = 0; i < n_size; ++ i) {
		n_crc ^= p_byte[i];
		for(int j = 0; j < 8; ++ j)
			n_crc = (n_crc & 1)? (n_crc >> 1) ^ 0xedb88320U : n_crc >> 1;
	}
	return n_crc;
}

/** @brief starts SysTick on the processor clock, counting down from 2^24 - 1, with an interrupt per period */
inline void StartSysTick()
{
	volatile uint32_t *const p_systick = reinterpret_cast<volatile uint32_t*>(0xe000e010);
	p_systick[1] = 0xffffff; // reload
	p_systick[2] = 0; // current value
	p_systick[0] = 7; // processor clock, interrupt, enable
	while(!p_systick[2])
		; // the reload value is loaded at the first tick
}

/** @brief SysTick ticks since StartSysTick() */
inline uint64_t n_SysTicks()
{
	const volatile uint32_t *const p_value = reinterpret_cast<volatile uint32_t*>(0xe000e018);
	uint32_t n_wraps, n_value;
	do { // a period may end between the two reads
		n_wraps = g_n_systick_wraps;
		n_value = *p_value;
	} while(n_wraps != g_n_systick_wraps);
	return (uint64_t(n_wraps) << 24) + (0xffffff - n_value);
}

/** @brief runs a loop of exactly 2 n_iteration_num instructions (subtract, branch) */
inline void RunCalibrationLoop(uint32_t n_iteration_num)
{
	__asm__ volatile("1:\n\tsubs %0, %0, #1\n\tbne 1b" : "+r"(n_iteration_num) : : "cc");
}

const uint32_t n_stack_paint = 0x5a17c0deU;

/** @brief the stack pointer */
inline const void *p_StackPointer()
{
	const void *p_sp;
	__asm__ volatile("mov %0, sp" : "=r"(p_sp));
	return p_sp;
}

/** @brief paints the free stack, but for 32 bytes below the stack pointer */
inline void PaintStack()
{
	uint32_t *p_word = __stack_limit;
	const uint32_t *const p_end = static_cast<const uint32_t*>(p_StackPointer()) - 8;
	while(p_word < p_end)
		*p_word ++ = n_stack_paint;
}

/** @brief the bytes of stack below p_from that have been written since PaintStack(), from the lowest word overwritten */
inline uint32_t n_StackUsed(const void *p_from)
{
	const uint32_t *p_word = __stack_limit;
	while(*p_word == n_stack_paint)
		++ p_word;
	return uint32_t(reinterpret_cast<uintptr_t>(p_from) - reinterpret_cast<uintptr_t>(p_word));
}

