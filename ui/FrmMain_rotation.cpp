// The picture tab's buttons that show a picture: apply, preview and open.
#include "FrmMain.h"

#include "DesktopServices.h"
#include "FolderIndex.h"
#include "FrmPrev.h"
#include "Geometry.h"
#include "PictureListEditor.h"
#include "ScreenInfo.h"
#include "WallpaperRotator.h"
#include "ui_frmMain.h"

void FrmMain::applySelected(int index) {
    m_rotator.applyPicture(m_editor->list(), index);
}

void FrmMain::previewPicture(int index) {
    const PictureList &list = m_editor->list();
    if (index < 0 || index >= m_editor->count())
        return;
    if (!m_preview)
        m_preview = new FrmPrev(this);
    // A fifth of the screen, measured in the pixels this window is drawn in.
    const qreal ratio = devicePixelRatioF() > 0 ? devicePixelRatioF() : 1.0;
    const int screenWidth = int(m_services.screen.size().width() / ratio);
    QString path = list.Files.value(index), title = list.Titles.value(index);
    // A folder line shows its first picture.
    if (const FolderIndex *folders = m_rotator.folderIndex();
        folders && FolderScan::isFolderLine(path) && folders->count(path) > 0) {
        path = folders->picture(path, 0);
        title = FileNameOf(path);
    }
    if (!m_preview->showPicture(path, title, screenWidth)) {
        m_services.dialogs.message(this, PictureListEditor::rejectionText(path),
                                   Dialogs::Icon::Critical);
    }
}

void FrmMain::openPicture(int index) {
    if (index < 0 || index >= m_editor->count())
        return;
    m_services.opener.open(m_editor->list().Files.value(index));
}
