# Strict warnings on the project's own targets only.
function(qor_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
