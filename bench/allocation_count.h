// Heap allocations counted in the benchmark program: every operator new and
// every malloc, calloc and realloc made while counting is on, by the program
// or by the stand-in.
#ifndef INTRO_BENCH_ALLOCATION_COUNT_H
#define INTRO_BENCH_ALLOCATION_COUNT_H

void StartCountingAllocations();
// Stops counting; the allocations made since the start.
long StopCountingAllocations();

#endif
