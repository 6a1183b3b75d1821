# Applied per target so that third-party headers stay out of it.
function(kvl_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC 12 reports std::string copies inlined from libstdc++ as overlapping in optimised builds
    # (a known false positive of that release); nothing of ours is concerned.
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()
