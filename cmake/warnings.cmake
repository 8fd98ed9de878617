# Warnings on, and treated as errors, for the project's own code.
function(rindou_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
                         -Wno-unused-parameter)
endfunction()
