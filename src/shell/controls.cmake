# The folder tree and the filtered file list.
set(CONTROL_SOURCES
  ReentryGuard.h
  ScrollAnchor.h
  ShellTimer.h ShellTimer.cpp
  TChangeHandlerThread.h TChangeHandlerThread.cpp
  TPTDeviceChangeHandler.h TPTDeviceChangeHandler.cpp
  ChangeWatch.h ChangeWatch.cpp
  FillScope.h FillScope.cpp
  FileFilter.h FileFilter.cpp
  ShellEnum.h ShellEnum.cpp
  ShellItemDelegate.h ShellItemDelegate.cpp
  ShellListModel.h ShellListModel.cpp
  ShellTreeModel.h ShellTreeModel.cpp
  TPTShListData.h TPTShListData.cpp
  ShellDrag.h ShellDrag.cpp
  ShellServices.h ShellServices.cpp
  FileTransfer.h FileTransfer.cpp
  ShellDataObject.h ShellDataObject.cpp
  ShellCommands.h ShellCommands.cpp
  TPTShellList.h TPTShellList.cpp TPTShellListRefresh.cpp TPTShellListCommands.cpp
  TPTShellTree.h TPTShellTree.cpp TPTShellTreeRefresh.cpp TPTShellTreeCommands.cpp)
