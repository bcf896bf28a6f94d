# Identifier lists, the folder locator and the shell model.
set(MODEL_SOURCES
  ShellTypes.h
  IdList.h IdList.cpp
  ShellFolder.h
  ShellModel.h ShellModel.cpp
  TPTIdListArray.h TPTIdListArray.cpp
  TPTPidlList.h TPTPidlList.cpp
  TPTShellLocator.h TPTShellLocator.cpp
  TPTShTreeData.h TPTShTreeData.cpp
  TPTCustomDraw.h TPTCustomDraw.cpp
  DriveList.h DriveList.cpp
  FileSearch.h FileSearch.cpp
  FolderWalk.h FolderWalk.cpp
  LazyIcon.h LazyIcon.cpp
  PosixLocation.h
  PosixShellModel.h PosixShellModel.cpp
  PosixEntry.h PosixEntry.cpp
  DetailsPrefetch.h DetailsPrefetch.cpp
  PosixShellFolder.h PosixShellFolder.cpp PosixShellFolderSort.cpp)
