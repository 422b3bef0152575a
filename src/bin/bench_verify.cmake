# bench_verify: the benchmark driver over the five sample PDFs.
add_executable(bench_verify ${CMAKE_CURRENT_LIST_DIR}/bench_verify.cc)
target_link_libraries(bench_verify PRIVATE quorvel_lib quorvel_engine quorvel_text fmt::fmt)

# Under the hardened runtime, macOS loads only libraries signed by the executable's own identity
# unless the executable carries the entitlement that disables library validation; the engine
# library is signed by someone else.
if(APPLE)
  set(QUORVEL_CODESIGN_IDENTITY "-" CACHE STRING "Identity bench_verify is signed with (- : ad hoc)")
  add_custom_command(TARGET bench_verify POST_BUILD
    COMMAND codesign --force --sign "${QUORVEL_CODESIGN_IDENTITY}" --options runtime
            --entitlements "${PROJECT_SOURCE_DIR}/packaging/macos/entitlements.plist"
            "$<TARGET_FILE:bench_verify>"
    COMMENT "Signing bench_verify with the library-validation entitlement"
    VERBATIM)
endif()
