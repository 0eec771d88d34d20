// The start of a program on QEMU's mps2-an386 board: the vector table, the
// reset handler that sets up the static data and runs main(), and SysTick's
// handler. A fault ends the emulation with a failure.

#include <stdint.h>

#include "board.h"

extern "C" {

extern uint32_t __data_load[], __data_start[], __data_end[], __bss_start[], __bss_end[], __stack_top[];
int main();

volatile uint32_t g_n_systick_wraps = 0;

void Reset_Handler()
{
	for(uint32_t *p_from = __data_load, *p_to = __data_start; p_to < __data_end;)
		*p_to ++ = *p_from ++;
	for(uint32_t *p_to = __bss_start; p_to < __bss_end;)
		*p_to ++ = 0;
	Exit(main() == 0);
}

void Fault_Handler()
{
	Print("fault\n");
	Exit(false);
}

void SysTick_Handler()
{
	g_n_systick_wraps = g_n_systick_wraps + 1;
}

typedef void (*Handler)();

// initial stack pointer, then reset, NMI, hard fault, memory, bus and usage faults, 4 reserved,
// SVC, debug monitor, reserved, PendSV, SysTick
__attribute__((section(".vectors"), used)) const Handler p_vector_table[16] = {
	reinterpret_cast<Handler>(__stack_top), Reset_Handler, Fault_Handler, Fault_Handler, Fault_Handler,
	Fault_Handler, Fault_Handler, nullptr, nullptr, nullptr, nullptr, Fault_Handler, Fault_Handler, nullptr,
	Fault_Handler, SysTick_Handler
};

} // extern "C"
