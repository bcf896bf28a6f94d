set(MODEL_SOURCES IdList.cpp)
