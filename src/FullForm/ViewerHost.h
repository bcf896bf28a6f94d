#pragma once

#include <QString>
#include <QtGlobal>

class QWidget;

namespace lumisnap {

class TImage;
class TListBox;
class TPTShellList;
class TScrollBox;
class TfcLabel;

// The window the viewer is opened from: the picture list the viewer steps through, the
// current picture, the labels it writes back as it steps and the preview it reloads
// when it leaves. The main window implements it, so the viewer needs nothing else of it.
class ViewerHost
{
public:
    virtual QWidget &hostWindow() = 0;
    // Whether the drive scan's list, not the file list, is the picture list.
    virtual bool scanListShown() const = 0;
    virtual TPTShellList &fileList() = 0;
    virtual TListBox &scanList() = 0;
    virtual QString currentFile() const = 0;
    virtual void setCurrentFile(const QString &path) = 0;
    virtual TImage &preview() = 0;
    virtual TScrollBox &previewBox() = 0;
    virtual TfcLabel &sizeLabel() = 0;
    virtual TfcLabel &positionLabel() = 0;

    // The position text of an entry: "6 of 12".
    static QString positionText(int index, int count);
    // The size of a file as its directory entry gives it; 0 when it is gone.
    static qint64 fileBytes(const QString &path);

protected:
    ~ViewerHost() = default;
};

} // namespace lumisnap
