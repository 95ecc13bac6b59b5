sorvantel_add_test(tst_views SOURCES tst_views.cpp shell_test_support.h LIBRARIES shell)
sorvantel_add_test(tst_moves SOURCES tst_moves.cpp shell_test_support.h LIBRARIES shell)
