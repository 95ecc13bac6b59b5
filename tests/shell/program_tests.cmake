# The whole program in a child process: sorvantel-scenario runs it from a
# script of clicks, and tst_program_exit checks how each way out ends it.
add_executable(sorvantel-scenario scenario/sorvantel_scenario.cpp)
target_link_libraries(sorvantel-scenario PRIVATE shell)
target_include_directories(sorvantel-scenario PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/../support)

sorvantel_add_test(tst_program_exit SOURCES tst_program_exit.cpp LIBRARIES listen_site TIMEOUT 240)
target_compile_definitions(tst_program_exit PRIVATE
    SORVANTEL_PROGRAM="$<TARGET_FILE:sorvantel>"
    SORVANTEL_SCENARIO="$<TARGET_FILE:sorvantel-scenario>")
add_dependencies(tst_program_exit sorvantel sorvantel-scenario)
