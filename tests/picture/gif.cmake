lumisnap_test(test_gif SOURCES test_gif.cpp test_gif_writer.cpp test_gif_main.cpp test_gif_util.h
  LIBS lumisnap_picture)
