# Sanitizer builds apply to every target of the tree, so that the plug-in,
# its tests and the helper programs are instrumented alike.
if(OSTREL_SANITIZE STREQUAL "address")
    set(_ostrel_san_flags -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
elseif(OSTREL_SANITIZE STREQUAL "thread")
    set(_ostrel_san_flags -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT OSTREL_SANITIZE STREQUAL "")
    message(FATAL_ERROR "OSTREL_SANITIZE must be empty, 'address' or 'thread'")
endif()

if(_ostrel_san_flags)
    add_compile_options(${_ostrel_san_flags})
    add_link_options(${_ostrel_san_flags})
endif()
