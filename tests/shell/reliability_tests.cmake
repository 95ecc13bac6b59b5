# The program under load and when the network fails: in process against the
# local listen site, and as a whole in a child process.
sorvantel_add_test(tst_reliability
    SOURCES tst_reliability.cpp engine_test_support.h shell_test_support.h
    LIBRARIES shell listen_site
    TIMEOUT 300)

if(TARGET sorvantel-scenario)
    sorvantel_add_test(tst_program_faults SOURCES tst_program_faults.cpp LIBRARIES listen_site TIMEOUT 300)
    target_compile_definitions(tst_program_faults PRIVATE
        SORVANTEL_SCENARIO="$<TARGET_FILE:sorvantel-scenario>")
    add_dependencies(tst_program_faults sorvantel-scenario)
endif()
