#include "PictureListEditor.h"

#include "Dialogs.h"
#include "FolderIndex.h"
#include "Geometry.h"
#include "PictureLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QListWidget>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QStyle>

#include <algorithm>
#include <memory>

namespace {

const QString PictureFilter = QStringLiteral(
    "画像ﾌｧｲﾙ(*.bmp;*.jpg;*.gif)|*.bmp;*.jpg;*.gif|ﾋﾞｯﾄﾏｯﾌﾟ(*.bmp)|*.bmp|JPEGﾌｧｲﾙ(*.jpg)|*.jpg|"
    "GIFﾌｧｲﾙ(*.gif)|*.gif|すべてのﾌｧｲﾙ(*.*)|*.*");

// Only local files can become list entries; other URLs are not pictures we can load.
QStringList localFiles(const QMimeData *data) {
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            paths << QDir::toNativeSeparators(url.toLocalFile());
    }
    return paths;
}

// Unreadable files are taken in (they may come back, a network share for
// one), but a dropped folder is never a picture.
bool usable(const QString &path) {
    return !QFileInfo(path).isDir() && PictureLoader::check(path) != PictureLoader::Check::Invalid;
}

// A folder line ends with the separator, which no picture's path does.
QString folderLine(const QString &path) {
    const QString clean = QDir::toNativeSeparators(QDir::cleanPath(path));
    return FolderScan::isFolderLine(clean) ? clean : clean + QDir::separator();
}

QString folderTitle(const QString &path) {
    const QString name = QFileInfo(QDir::cleanPath(path)).fileName();
    return name.isEmpty() ? QDir::toNativeSeparators(QDir::cleanPath(path)) : name;
}

} // namespace

PictureListEditor::PictureListEditor(QListWidget *lstImages, const Buttons &buttons,
                                     Dialogs &dialogs, QWidget *dialogParent)
    : QObject(lstImages), m_lst(lstImages), m_buttons(buttons), m_dialogs(dialogs),
      m_parent(dialogParent) {
    m_lst->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lst->setSortingEnabled(false);
    // Every line is one text row: without this the view measures all 32,767.
    m_lst->setUniformItemSizes(true);
    m_lst->setAcceptDrops(true);
    m_lst->viewport()->setAcceptDrops(true);
    m_watched = {m_lst, m_lst->viewport()};
    for (QObject *watched : m_watched)
        watched->installEventFilter(this);

    // The keyboard can select the line that is already current (Space), which
    // moves no row; the selection itself is what the rules follow.
    connect(m_lst, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_quiet)
            applySelectionRules();
    });
    // A click on the line that is already current must still re-run the rules
    // (after an add, cmdDown may be stale until the user clicks again).
    connect(m_lst, &QListWidget::itemClicked, this, [this] {
        if (!m_quiet)
            applySelectionRules();
    });

    connect(m_buttons.cmdAdd, &QPushButton::clicked, this, &PictureListEditor::add);
    connect(m_buttons.cmdFolder, &QPushButton::clicked, this, &PictureListEditor::addFolder);
    connect(m_buttons.cmdDel, &QPushButton::clicked, this, &PictureListEditor::remove);
    connect(m_buttons.cmdMirell, &QPushButton::clicked, this, &PictureListEditor::replace);
    connect(m_buttons.cmdUp, &QPushButton::clicked, this, &PictureListEditor::moveUp);
    connect(m_buttons.cmdDown, &QPushButton::clicked, this, &PictureListEditor::moveDown);
    connect(m_buttons.cmdPrev, &QPushButton::clicked, this, [this] {
        if (selected() >= 0)
            emit previewRequested(selected());
    });
    connect(m_buttons.cmdOpen, &QPushButton::clicked, this, [this] {
        if (selected() >= 0)
            emit openRequested(selected());
    });
    connect(m_buttons.cmdLet, &QPushButton::clicked, this, [this] {
        if (selected() >= 0)
            emit applyRequested(selected());
    });
}

void PictureListEditor::setList(const PictureList &list) {
    QScopedValueRollback quiet(m_quiet, true);
    m_list = list;
    // A damaged store may hold fewer titles than files; the two must pair up.
    m_list.Titles.resize(m_list.Files.size());
    if (m_list.Files.size() > MaxPictureCount) {
        m_list.Files.resize(MaxPictureCount);
        m_list.Titles.resize(MaxPictureCount);
    }
    m_lst->clear();
    m_lst->addItems(m_list.Titles);
    for (int row = 0; row < count(); ++row)
        if (FolderScan::isFolderLine(m_list.Files.at(row)))
            showRow(row);
    m_lst->setCurrentRow(-1);
    listChanged();
}

void PictureListEditor::setFolderIndex(FolderIndex *index) {
    m_folders = index;
    if (!index)
        return;
    connect(index, &FolderIndex::changed, this, [this](const QString &line) {
        for (int row = 0; row < count(); ++row)
            if (m_list.Files.at(row) == line)
                showRow(row);
    });
    listChanged();
}

void PictureListEditor::listChanged() {
    if (m_folders)
        m_folders->setFolders(m_list.Files, FolderIndex::Client::Window);
}

void PictureListEditor::showRow(int row) {
    QListWidgetItem *item = m_lst->item(row);
    const QString &line = m_list.Files.at(row);
    if (!FolderScan::isFolderLine(line)) {
        item->setText(m_list.Titles.at(row));
        item->setIcon({});
        return;
    }
    QString pictures = QStringLiteral("…");
    if (m_folders) {
        const FolderIndex::Status status = m_folders->status(line);
        if (status.state == FolderIndex::State::Ready)
            pictures = QStringLiteral("%1枚").arg(status.pictures);
        else if (status.state == FolderIndex::State::Missing)
            pictures = QStringLiteral("見つかりません");
    }
    item->setText(QStringLiteral("%1 (%2)").arg(m_list.Titles.at(row), pictures));
    item->setIcon(m_lst->style()->standardIcon(QStyle::SP_DirIcon));
}

int PictureListEditor::count() const {
    return m_lst->count();
}

int PictureListEditor::selected() const {
    const int row = m_lst->currentRow();
    const QListWidgetItem *item = row >= 0 ? m_lst->item(row) : nullptr;
    return item && item->isSelected() ? row : -1;
}

void PictureListEditor::disableSelectionButtons() {
    for (QPushButton *button :
         {m_buttons.cmdDel, m_buttons.cmdMirell, m_buttons.cmdUp, m_buttons.cmdDown,
          m_buttons.cmdPrev, m_buttons.cmdOpen, m_buttons.cmdLet})
        button->setEnabled(false);
}

void PictureListEditor::applySelectionRules() {
    const int k = selected();
    // Without a selection the buttons would act on no entry at all.
    if (k < 0) {
        disableSelectionButtons();
        return;
    }
    for (QPushButton *button : {m_buttons.cmdDel, m_buttons.cmdMirell, m_buttons.cmdPrev,
                                m_buttons.cmdOpen, m_buttons.cmdLet})
        button->setEnabled(true);
    m_buttons.cmdUp->setEnabled(k > 0);
    m_buttons.cmdDown->setEnabled(k < count() - 1);
}

void PictureListEditor::add() {
    if (m_busy)
        return;
    const QStringList paths = m_dialogs.openFiles(m_parent, PictureFilter);
    if (!paths.isEmpty())
        addFiles(paths);
}

void PictureListEditor::addFolder() {
    if (m_busy)
        return;
    if (const QString folder = m_dialogs.openFolder(m_parent); !folder.isEmpty())
        addFiles({folder});
}

void PictureListEditor::addFiles(const QStringList &paths) {
    if (m_busy || paths.isEmpty())
        return;
    QScopedValueRollback busy(m_busy, true);
    // The index reads the folders added, once they are all in.
    const auto indexFolders = qScopeGuard([this] { listChanged(); });

    // Checks read headers only, but a thousand files on a slow disk still
    // take a while: show progress then, and let the user stop.
    std::unique_ptr<QProgressDialog> progress;
    if (paths.size() > 1) {
        progress = std::make_unique<QProgressDialog>(QStringLiteral("画像を追加しています..."),
                                                     QStringLiteral("中止"), 0, int(paths.size()),
                                                     m_parent);
        progress->setWindowTitle(QStringLiteral("Mirell"));
        progress->setWindowModality(Qt::WindowModal);
        // The dialog's own timer would show it over an open message box and
        // take its focus (Enter would then stop the add); we show it ourselves,
        // between two files only. (Not INT_MAX: a timer that long was seen
        // to fire at once.)
        progress->setMinimumDuration(24 * 60 * 60 * 1000);
        progress->setAutoReset(false);
        progress->setAutoClose(false);
        progress->setValue(0); // restarts that timer with the duration above
    }
    QElapsedTimer working;
    working.start();
    // A message is shown alone, and time spent reading it is no work.
    const auto tell = [&](const QString &text, Dialogs::Icon icon) {
        const bool shown = progress && progress->isVisible();
        if (shown)
            progress->hide();
        m_dialogs.message(m_parent, text, icon);
        if (shown)
            progress->show();
        working.restart();
    };

    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (progress) {
            if (!progress->isVisible() && working.elapsed() >= 500)
                progress->show();
            progress->setValue(int(i));
            if (progress->isVisible())
                QCoreApplication::processEvents(); // paint, and take a click on 中止
            if (progress->wasCanceled())
                break;
        }
        const QString &path = paths.at(i);
        const QFileInfo info(path);
        // A folder is taken when it can be listed; its pictures are checked
        // one by one when their turn comes.
        const bool folder = info.isDir() && info.isReadable() && info.isExecutable();
        if (info.isDir() && !folder) {
            tell(path + QStringLiteral("\r\nは読み込めないフォルダです。"),
                 Dialogs::Icon::Critical);
            continue;
        }
        if (!folder && !usable(path)) {
            tell(rejectionText(path), Dialogs::Icon::Critical);
            continue;
        }
        if (count() >= MaxPictureCount) {
            tell(QStringLiteral("画像一覧に登録できるのは%1個までです。\r\n"
                                "残りの%2個のファイルは追加されませんでした。")
                     .arg(MaxPictureCount)
                     .arg(paths.size() - i),
                 Dialogs::Icon::Exclamation);
            break;
        }
        if (folder)
            append(folderLine(path), folderTitle(path));
        else
            append(path, FileNameOf(path));
    }
}

void PictureListEditor::append(const QString &path, const QString &title) {
    m_lst->addItem(title);
    m_list.Files.append(path);
    m_list.Titles.append(title);
    if (FolderScan::isFolderLine(path))
        showRow(count() - 1);
}

void PictureListEditor::replace() {
    const int k = selected();
    if (m_busy || k < 0)
        return;
    const QString path = m_dialogs.openFile(m_parent, PictureFilter);
    if (path.isEmpty())
        return;
    if (!usable(path)) {
        m_dialogs.message(m_parent, QStringLiteral("使用できないファイルです。"),
                          Dialogs::Icon::Critical);
        return;
    }
    // The dialog was modal, but the list may have changed under it if the
    // parent reloaded it; never write past the end.
    if (k >= count())
        return;
    m_list.Files[k] = path;
    m_list.Titles[k] = FileNameOf(path);
    showRow(k);
    listChanged();
}

void PictureListEditor::remove() {
    const int k = selected();
    if (m_busy || k < 0)
        return;
    {
        QScopedValueRollback quiet(m_quiet, true);
        delete m_lst->takeItem(k);
        m_list.Files.removeAt(k);
        m_list.Titles.removeAt(k);
        m_lst->clearSelection();
        m_lst->setCurrentRow(-1);
    }
    disableSelectionButtons();
    listChanged();
}

void PictureListEditor::moveUp() {
    const int k = selected();
    if (m_busy || k <= 0)
        return;
    swapEntries(k, k - 1);
}

void PictureListEditor::moveDown() {
    const int k = selected();
    if (m_busy || k < 0 || k >= count() - 1)
        return;
    swapEntries(k, k + 1);
}

void PictureListEditor::swapEntries(int from, int to) {
    m_list.Files.swapItemsAt(from, to);
    m_list.Titles.swapItemsAt(from, to);
    // Only the two texts change: taking items out of a long list is not instant.
    showRow(from);
    showRow(to);
    {
        QScopedValueRollback quiet(m_quiet, true);
        m_lst->setCurrentRow(to);
    }
    applySelectionRules();
}

bool PictureListEditor::eventFilter(QObject *watched, QEvent *event) {
    // The list sends events while it is being destroyed, when it is a plain
    // QWidget already: tell its parts by address, never by asking the list.
    if (std::ranges::find(m_watched, watched) == m_watched.end())
        return QObject::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (m_busy || localFiles(drag->mimeData()).isEmpty()) {
            drag->ignore();
        } else {
            // Copy, never move: a move would let the source delete the user's pictures.
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        }
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QStringList paths = localFiles(drop->mimeData());
        if (m_busy || paths.isEmpty()) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        // The source waits for the drop to finish; checks and message boxes
        // run once it has.
        QMetaObject::invokeMethod(
            this, [this, paths] { addFiles(paths); }, Qt::QueuedConnection);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

QString PictureListEditor::rejectionText(const QString &path) {
    return path + QStringLiteral("\r\nは使用できないファイルです。");
}
