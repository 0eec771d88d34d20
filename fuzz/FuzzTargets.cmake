# The fuzz targets: fuzz/<name>_fuzzer.cpp each, with regression inputs in
# fuzz/regressions/<name>/.
set(PIXMOLD_FUZZ_TARGETS tga_reader jpeg_decoder png_reader conversion builtin_decoder)
