# libFuzzer build: clang only, every library instrumented for coverage with
# AddressSanitizer and UBSan; the fuzz programs link libFuzzer's main.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "DTU_FUZZ needs clang (configure with -DCMAKE_CXX_COMPILER=clang++)")
endif()
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_FLAGS -fsanitize=fuzzer)
check_cxx_source_compiles([[
#include <cstddef>
#include <cstdint>
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *, size_t) { return 0; }
]] DTU_HAVE_LIBFUZZER)
unset(CMAKE_REQUIRED_FLAGS)
if(NOT DTU_HAVE_LIBFUZZER)
  message(FATAL_ERROR "this clang cannot link -fsanitize=fuzzer (install libclang-rt-dev)")
endif()
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
  -fno-sanitize-recover=undefined -gline-tables-only)
add_link_options(-fsanitize=address,undefined)
set(DTU_BUILD_TESTS OFF)
set(DTU_BUILD_BENCH OFF)
