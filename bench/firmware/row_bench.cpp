// The row decoder of one header on QEMU's mps2-an386 board (a Cortex-M4),
// measured: built once per kind of output (PIXMOLD_BENCH_OUTPUT: 0 none, the
// baseline for the code size; 1 RGB565 rows to an SPI line, as a panel takes
// them; 2 ARGB rows), with the header's class as PIXMOLD_BENCH_CLASS and its
// text accessor as PIXMOLD_BENCH_TEXT. It prints the SysTick ticks of a loop
// of 2,000,000 instructions and of the decode, the stack the decode used,
// sizeof(RowWork) and whether the decode succeeded.

#include PIXMOLD_BENCH_HEADER
#include "board.h"

typedef PIXMOLD_BENCH_CLASS CImage;

static CImage::RowWork t_work;
static volatile uint32_t n_spi_data; // stands for a peripheral's data register

int main()
{
	StartSysTick();
	const uint32_t n_loop_iterations = 1000000;
	const uint64_t n_start = n_SysTicks();
	RunCalibrationLoop(n_loop_iterations);
	const uint64_t n_calibrated = n_SysTicks();
	bool b_ok = true;
	uint32_t n_stack = 0;
	uint64_t n_decoded = n_calibrated;
#if PIXMOLD_BENCH_OUTPUT == 0
	// the text stays in the program, as the decoders read it
	n_spi_data = uint32_t(reinterpret_cast<uintptr_t>(CImage::PIXMOLD_BENCH_TEXT()));
#else
	const void *const p_stack = p_StackPointer();
	PaintStack();
	const uint64_t n_before = n_SysTicks();
#if PIXMOLD_BENCH_OUTPUT == 1
	b_ok = CImage::b_Decode_Rows_RGB565(t_work, true, [](int, const uint16_t *p_row) { n_spi_data = p_row[0]; });
#else
	b_ok = CImage::b_Decode_Rows(t_work, [](int, const uint32_t *p_row) { n_spi_data = p_row[0]; });
#endif
	n_decoded = n_SysTicks() - n_before + n_calibrated;
	n_stack = n_StackUsed(p_stack);
#endif
	Print("calibration ");
	PrintNumber(uint32_t(n_calibrated - n_start));
	Print(" decode ");
	PrintNumber(uint32_t(n_decoded - n_calibrated));
	Print(" stack ");
	PrintNumber(n_stack);
	Print(" work ");
	PrintNumber(sizeof(CImage::RowWork));
	Print((b_ok)? " ok\n" : " failed\n");
	return (b_ok)? 0 : 1;
}
