# The checked build (preset "checked"): undefined behaviour traps at the faulting instruction,
# the standard library's own assertions, stack canaries, bounds-checked C string and memory
# calls, frame pointers kept; the library's heap goes through guard pages (TARN_GUARD_PAGES).
option(TARN_CHECKED "Build with run-time checks, guard-page heap and the fuzz driver" OFF)

if(TARN_CHECKED)
  # Optimized (the bounds-checked C calls need -O1 or higher) with symbols, so a trap's
  # address maps back to a line.
  add_compile_options(
    -fsanitize=undefined -fsanitize-undefined-trap-on-error
    -fstack-protector-strong -fno-omit-frame-pointer)
  add_compile_definitions(_GLIBCXX_ASSERTIONS _FORTIFY_SOURCE=2)
  # The stack canaries and the bounds-checked calls report through the compiler's libssp.
  add_link_options(-fstack-protector-strong)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libssp-0.dll
                  OUTPUT_VARIABLE TARN_SSP_DLL OUTPUT_STRIP_TRAILING_WHITESPACE)
  file(COPY ${TARN_SSP_DLL} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
endif()

# The library's half of the checked build: its operator new and delete and the C heap blocks it
# keeps for itself come from the guard-page allocator.
function(tarn_checked_library target)
  if(TARN_CHECKED)
    target_sources(${target} PRIVATE
      ${PROJECT_SOURCE_DIR}/tarnUtil/Source/common/GuardPages.cpp
      ${PROJECT_SOURCE_DIR}/tarnUtil/Source/common/GuardedNew.cpp)
    target_compile_definitions(${target} PRIVATE TARN_GUARD_PAGES)
  endif()
endfunction()
