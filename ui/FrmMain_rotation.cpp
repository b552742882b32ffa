// Putting pictures on the desktop: the timed step, the picture-apply button,
// and the preview and open buttons of the picture tab.
#include "FrmMain.h"

#include "Composer.h"
#include "DesktopServices.h"
#include "FrmPrev.h"
#include "Geometry.h"
#include "PictureListEditor.h"
#include "ScreenInfo.h"
#include "SettingsStore.h"
#include "ui_frmMain.h"

void FrmMain::RotationStep() {
    const int n = m_editor->count();
    const int k = m_rotation.RotationStep(n, m_settings.OrderMode, m_services.random);
    // 0: an empty list, or an order only a damaged store can name.
    if (k < 1 || k > n)
        return;
    composePicture(k, m_editor->list().Titles.value(k - 1), true);
}

void FrmMain::applySelected(int index) {
    const int n = m_editor->count();
    if (index < 0 || index >= n)
        return;
    const int k = index + 1;
    m_rotation.applyManual(k, n, m_settings.OrderMode);
    composePicture(k, m_editor->list().Titles.value(index), true);
}

void FrmMain::composePicture(int k, const QString &caption, bool recordCurrent) {
    const QString path = m_editor->list().Files.value(k - 1);
    if (path.isEmpty())
        return; // an entry whose stored path was lost
    // The label and the stored index describe what the desktop shows, so
    // they change only once the picture is really there.
    const QPointer<FrmMain> self(this);
    m_services.composer.ComposeWallpaper(path, m_settings, [self, k, caption, recordCurrent] {
        if (!self)
            return;
        self->m_ui->labCurr->setText(caption);
        if (recordCurrent) {
            writeCurrent(self->m_services.store, k);
            self->syncStore();
        }
    });
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
    const QString path = list.Files.value(index);
    if (!m_preview->showPicture(path, list.Titles.value(index), screenWidth)) {
        m_services.dialogs.message(this, PictureListEditor::rejectionText(path),
                                   Dialogs::Icon::Critical);
    }
}

void FrmMain::openPicture(int index) {
    if (index < 0 || index >= m_editor->count())
        return;
    m_services.opener.open(m_editor->list().Files.value(index));
}
