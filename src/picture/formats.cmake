set(FORMAT_SOURCES
  TGraphic.h TGraphic.cpp
  PlacedRect.h
  TPicture.h TPicture.cpp
  TPictureFormats.h TPictureFormats.cpp
  DibReader.h DibReader.cpp
  TBitmap.h TBitmap.cpp
  TIcon.h TIcon.cpp
  JpegCodec.h JpegCodec.cpp
  ExifOrientation.h ExifOrientation.cpp
  JpegDecodeCache.h JpegDecodeCache.cpp
  JpegPrefetcher.h JpegPrefetcher.cpp
  TJPEGImage.h TJPEGImage.cpp
  TMetafile.h TMetafile.cpp)
