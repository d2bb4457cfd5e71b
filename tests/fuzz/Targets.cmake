# The fuzz targets, their sources, and the core's file whose coverage each reports. Shared by
# tests/fuzz (libFuzzer builds) and tests/host (replays of the regression cases).
set(RK_FUZZ_TARGETS image_headers lookup_extraction bounded_text version_text md5)
set(RK_FUZZ_SOURCE_image_headers FuzzImageHeaders.cpp)
set(RK_FUZZ_SOURCE_lookup_extraction FuzzLookupExtraction.cpp)
set(RK_FUZZ_SOURCE_bounded_text FuzzBoundedText.cpp)
set(RK_FUZZ_SOURCE_version_text FuzzVersionText.cpp)
set(RK_FUZZ_SOURCE_md5 FuzzMd5.cpp)
