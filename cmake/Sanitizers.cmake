# -DGLIFORA_SANITIZE=ON builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer; any report stops the offending test.
option(GLIFORA_SANITIZE "Build with ASan and UBSan" OFF)
if(GLIFORA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()
