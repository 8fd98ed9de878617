# Warnings on for the project's own code.  They become errors only when asked
# (RINDOU_WERROR, which the CI builds turn on): a packager's or distribution's
# build with another compiler or optimisation level must not stop at a new
# false positive.
option(RINDOU_WERROR "Treat compiler warnings as errors in the project's own code" OFF)

function(rindou_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-unused-parameter)
  if(RINDOU_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
