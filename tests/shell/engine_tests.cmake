# Suites that drive real browser panes against the local listen site, which
# stands in for both recitation sites.
sorvantel_add_test(tst_browser_pane
    SOURCES tst_browser_pane.cpp engine_test_support.h shell_test_support.h
    LIBRARIES shell listen_site
    TIMEOUT 120)
