if(VORAFILE_SANITIZE)
  add_compile_options(-fsanitize=${VORAFILE_SANITIZE} -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${VORAFILE_SANITIZE})
endif()
