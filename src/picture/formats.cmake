set(FORMAT_SOURCES TGraphic.cpp)
