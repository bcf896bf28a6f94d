lumisnap_test(test_idlist SOURCES test_idlist.cpp LIBS lumisnap_shell)
lumisnap_test(test_posixmodel SOURCES test_posixmodel.cpp LIBS lumisnap_shell)
lumisnap_test(test_customdraw SOURCES test_customdraw.cpp LIBS lumisnap_shell)
