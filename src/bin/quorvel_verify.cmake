# quorvel_verify: the command-line auditor. Its parts (command line, outputs, child processes)
# live in src/cli.
find_package(CLI11 REQUIRED)
find_package(nlohmann_json REQUIRED)
add_executable(quorvel_verify
  ${CMAKE_CURRENT_LIST_DIR}/quorvel_verify.cc
  ${PROJECT_SOURCE_DIR}/src/cli/child_process.cc
  ${PROJECT_SOURCE_DIR}/src/cli/human_report.cc
  ${PROJECT_SOURCE_DIR}/src/cli/job_runner.cc
  ${PROJECT_SOURCE_DIR}/src/cli/json_report.cc
  ${PROJECT_SOURCE_DIR}/src/cli/options.cc
  ${PROJECT_SOURCE_DIR}/src/cli/progress_bar.cc
  ${PROJECT_SOURCE_DIR}/src/cli/run_output.cc
  ${PROJECT_SOURCE_DIR}/src/cli/tally.cc
  ${PROJECT_SOURCE_DIR}/src/cli/terms_file.cc)
target_compile_definitions(quorvel_verify PRIVATE QUORVEL_VERSION="${PROJECT_VERSION}")
target_link_libraries(quorvel_verify PRIVATE
  quorvel_lib quorvel_engine quorvel_text CLI11::CLI11 nlohmann_json::nlohmann_json fmt::fmt)

# Under the hardened runtime, macOS loads only libraries signed by the executable's own identity
# unless the executable carries the entitlement that disables library validation.
if(APPLE)
  set(QUORVEL_CODESIGN_IDENTITY "-" CACHE STRING "Identity executables are signed with (- : ad hoc)")
  add_custom_command(TARGET quorvel_verify POST_BUILD
    COMMAND codesign --force --sign "${QUORVEL_CODESIGN_IDENTITY}" --options runtime
            --entitlements "${PROJECT_SOURCE_DIR}/packaging/macos/entitlements.plist"
            "$<TARGET_FILE:quorvel_verify>"
    COMMENT "Signing quorvel_verify with the library-validation entitlement"
    VERBATIM)
endif()
