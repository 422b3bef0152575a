# quorvel_dump: prints the object reader's view of a PDF, one JSON line per object.
find_package(CLI11 REQUIRED)
find_package(nlohmann_json REQUIRED)
add_executable(quorvel_dump ${CMAKE_CURRENT_LIST_DIR}/quorvel_dump.cc)
target_link_libraries(quorvel_dump PRIVATE
  quorvel_pdf quorvel_text CLI11::CLI11 nlohmann_json::nlohmann_json OpenSSL::Crypto)
