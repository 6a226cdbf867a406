# One INTERFACE target with the compile rules every target shares.
add_library(ruz_common_cfg INTERFACE)
target_compile_options(ruz_common_cfg INTERFACE -Wall -Wextra -Wno-missing-field-initializers)
target_compile_definitions(ruz_common_cfg INTERFACE _FILE_OFFSET_BITS=64)

if(RUZ_SANITIZE STREQUAL "address")
  set(_san -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
elseif(RUZ_SANITIZE STREQUAL "thread")
  set(_san -fsanitize=thread -fno-omit-frame-pointer)
endif()
if(_san)
  # Line tables only, and light optimization: the sanitizer builds compile
  # noticeably faster, and their reports still name files and lines.
  target_compile_options(ruz_common_cfg INTERFACE ${_san} -O1 -g1)
  target_link_options(ruz_common_cfg INTERFACE ${_san})
endif()

# Hardening as Debian builds its packages: checked buffer functions (they need
# optimisation), a stack protector, and relocations made read-only at start.
if(NOT _san)
  target_compile_options(ruz_common_cfg INTERFACE -fstack-protector-strong
                         $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
  target_link_options(ruz_common_cfg INTERFACE -Wl,-z,relro,-z,now)
endif()
