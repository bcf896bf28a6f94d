lumisnap_test(test_shelllist SOURCES test_shelllist.cpp LIBS lumisnap_shell)
lumisnap_test(test_shelltree SOURCES test_shelltree.cpp LIBS lumisnap_shell)
lumisnap_test(test_liverefresh SOURCES test_liverefresh.cpp LIBS lumisnap_shell)
lumisnap_test(test_filetransfer SOURCES test_filetransfer.cpp LIBS lumisnap_shell)
