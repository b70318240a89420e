option(SWELLKIT_BUILD_BENCHMARKS "Build the Google Benchmark programs in bench/" OFF)

# Warnings are errors in the project's own code; results must not depend on the
# compiler fusing multiplies and adds, so contraction is off everywhere.
function(swk_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -ffp-contract=off)
  if(NOT WIN32)
    target_compile_options(${target} PRIVATE -fno-fast-math)
  else()
    # The same commit gives the same bytes: no link time stamp, no checkout path.
    # (Nothing generated in the build folder is compiled, so its path never
    # reaches an object, and two build folders share their compiler cache.)
    target_compile_options(${target} PRIVATE -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.)
    target_link_options(${target} PRIVATE -Wl,--no-insert-timestamp)
  endif()
endfunction()
