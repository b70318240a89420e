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

# Sanitizer builds (scripts/sanitize.sh): "address,undefined" or "thread" for
# every target, the project's own code stopping at the first finding.
set(SWELLKIT_SANITIZE "" CACHE STRING "Sanitizers to build with (clang): address,undefined or thread")
if(SWELLKIT_SANITIZE)
  add_compile_options(-fsanitize=${SWELLKIT_SANITIZE} -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${SWELLKIT_SANITIZE})
endif()

# Debian's glslang is built without RTTI: code that holds its polymorphic
# objects cannot have their dynamic types checked.
function(swk_no_vptr_check)
  if(SWELLKIT_SANITIZE MATCHES "undefined")
    set_source_files_properties(${ARGN} DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
                                PROPERTIES COMPILE_OPTIONS -fno-sanitize=vptr)
  endif()
endfunction()
