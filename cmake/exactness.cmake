# SPDX-License-Identifier: MIT
# The landscape must come out bit-identical from every compiler, optimisation
# level and architecture: double arithmetic rounded as IEEE doubles, no fused
# multiply-adds, no fast-math. This sets the flags that keep it so and refuses
# a build whose flags would break it.
add_compile_options(-ffp-contract=off -fno-fast-math)

string(TOUPPER "${CMAKE_BUILD_TYPE}" _build_type)
foreach(_flags CMAKE_CXX_FLAGS CMAKE_CXX_FLAGS_${_build_type})
  if(${_flags} MATCHES "-ffast-math|-Ofast|-funsafe-math-optimizations|-ffp-contract=(fast|on)|-mfpmath=387")
    message(FATAL_ERROR "${_flags} holds '${CMAKE_MATCH_0}': that changes how the landscape's arithmetic "
      "rounds, so the same seed would no longer give the same landscape. Remove it.")
  endif()
endforeach()

# 32-bit x86 compilers default to the x87 unit, whose 64-bit significands
# round some of the generator's results differently from double arithmetic.
# There the build uses SSE2 instead, which every x86 processor since 2001 has.
include(CheckCXXSourceCompiles)
set(_no_excess_precision [=[
#include <cfloat>
#if FLT_EVAL_METHOD != 0
#error excess precision
#endif
int main() { return 0; }
]=])
check_cxx_source_compiles("${_no_excess_precision}" VENDRASK_DOUBLE_ARITHMETIC)
if(NOT VENDRASK_DOUBLE_ARITHMETIC)
  set(CMAKE_REQUIRED_FLAGS "-msse2 -mfpmath=sse")
  check_cxx_source_compiles("${_no_excess_precision}" VENDRASK_DOUBLE_ARITHMETIC_WITH_SSE2)
  unset(CMAKE_REQUIRED_FLAGS)
  if(NOT VENDRASK_DOUBLE_ARITHMETIC_WITH_SSE2)
    message(FATAL_ERROR "This compiler evaluates floating point with excess precision and cannot be switched "
      "to plain double arithmetic: the landscape would differ from every other machine's.")
  endif()
  add_compile_options(-msse2 -mfpmath=sse)
  message(STATUS "Floating point: SSE2 instead of the x87 unit, for exact double arithmetic")
endif()
