# Suites that drive real browser panes against the local listen site, which
# stands in for both recitation sites.
sorvantel_add_test(tst_browser_pane
    SOURCES tst_browser_pane.cpp engine_test_support.h shell_test_support.h
    LIBRARIES shell listen_site
    TIMEOUT 120)
sorvantel_add_test(tst_surah_action
    SOURCES tst_surah_action.cpp engine_test_support.h shell_test_support.h
    LIBRARIES shell listen_site
    TIMEOUT 120)
sorvantel_add_test(tst_pane_through_views
    SOURCES tst_pane_through_views.cpp engine_test_support.h shell_test_support.h
    LIBRARIES shell listen_site
    TIMEOUT 120)
