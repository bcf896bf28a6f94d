set(GIF_SOURCES
  TGIFImage.h TGIFImage.cpp
  TGIFFrame.h TGIFFrame.cpp
  TExtension.h TExtension.cpp
  GifReader.h GifReader.cpp
  GifWriter.h GifWriter.cpp
  GifLzwDecoder.h GifLzwDecoder.cpp
  GifLzwEncoder.h GifLzwEncoder.cpp
  GifFrameComposer.h GifFrameComposer.cpp)
