#include "bench/BenchMain.h"

TESSARO_BENCH_MAIN()
