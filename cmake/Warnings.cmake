# One warning list, applied PRIVATE to each of our targets.
set(VORAFILE_WARNINGS
    -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
    -Wcast-qual -Wformat=2 -Wundef -Wdouble-promotion
    -Wimplicit-fallthrough -Wmissing-declarations)
set(VORAFILE_CXX_WARNINGS -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual)

function(vorafile_set_warnings target)
  target_compile_options(${target} PRIVATE ${VORAFILE_WARNINGS}
                         $<$<COMPILE_LANGUAGE:CXX>:${VORAFILE_CXX_WARNINGS}>)
  if(VORAFILE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
