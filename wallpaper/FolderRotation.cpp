#include "FolderRotation.h"

#include "FolderTree.h"
#include "RandomSource.h"

#include <algorithm>
#include <vector>

namespace {

// Draws among the pictures not shown yet before listing them: a listing
// builds every path, which only the last pictures of a round need.
constexpr int kDraws = 48;

size_t key(const QString &path) {
    return qHash(path, 0);
}

// The list with its folders opened: a line of the list holds one picture,
// a folder line as many as the folder has.
class Expanded {
  public:
    Expanded(const QStringList &files, const FolderPictures &folders)
        : m_files(files), m_folders(folders) {
        qsizetype total = 0;
        m_ends.reserve(std::size_t(files.size()));
        for (const QString &line : files)
            m_ends.push_back(total += FolderScan::isFolderLine(line) ? folders.count(line) : 1);
    }

    qsizetype size() const { return m_ends.empty() ? 0 : m_ends.back(); }

    FolderRotation::Pick at(qsizetype i) const {
        const auto line = std::upper_bound(m_ends.begin(), m_ends.end(), i) - m_ends.begin();
        const QString &file = m_files.at(line);
        if (!FolderScan::isFolderLine(file))
            return {int(line), file};
        return {int(line), m_folders.picture(file, i - first(int(line)))};
    }

    // The position after the picture (line, path) in the list order.
    qsizetype after(int line, const QString &path) const {
        if (line < 0 || line >= m_files.size())
            return 0;
        qsizetype next = first(line) + 1;
        if (FolderScan::isFolderLine(m_files.at(line))) {
            const FolderPictures::Place place = m_folders.place(m_files.at(line), path);
            next = first(line) + place.at + (place.found ? 1 : 0);
        }
        return next < size() ? next : 0;
    }

    qsizetype first(int line) const { return line == 0 ? 0 : m_ends[std::size_t(line) - 1]; }

  private:
    const QStringList &m_files;
    const FolderPictures &m_folders;
    std::vector<qsizetype> m_ends;
};

qsizetype draw(RandomSource &random, qsizetype n) {
    return std::clamp(qsizetype(random.next() * double(n)), qsizetype(0), n - 1);
}

} // namespace

FolderRotation::Pick FolderRotation::step(const QStringList &files, const FolderPictures &folders,
                                          Order order, RandomSource &random) {
    Pick pick;
    if (order == Order::Shuffled) {
        pick = shuffled(files, folders, random);
    } else if (const Expanded set(files, folders); set.size() > 0) {
        pick = order == Order::List ? set.at(set.after(m_line, m_path))
                                    : set.at(draw(random, set.size()));
    }
    if (pick.line >= 0)
        shown(pick.line, pick.path);
    return pick;
}

FolderRotation::Pick FolderRotation::shuffled(const QStringList &files,
                                              const FolderPictures &folders, RandomSource &random) {
    const Expanded set(files, folders);
    const qsizetype n = set.size();
    if (n == 0)
        return {};
    const size_t last = key(m_path);
    // Random draws find a picture not shown yet at once for most of a
    // round, without building the paths of 100,000 pictures.
    const auto drawn = [&](bool freshRound) -> Pick {
        for (int i = 0; i < kDraws; ++i) {
            Pick pick = set.at(draw(random, n));
            const size_t k = key(pick.path);
            if (!m_round.contains(k) && !(freshRound && n > 1 && k == last))
                return pick;
        }
        return {};
    };
    if (Pick pick = drawn(false); pick.line >= 0)
        return pick;
    // Near the end of the round: those left, listed once.
    if (m_left.files != files || m_left.version != folders.version() || m_left.pictures.empty()) {
        m_left = {files, folders.version(), {}};
        for (qsizetype i = 0; i < n; ++i)
            if (Pick pick = set.at(i); !m_round.contains(key(pick.path)))
                m_left.pictures.push_back(std::move(pick));
    }
    while (!m_left.pictures.empty()) {
        const auto at = std::size_t(draw(random, qsizetype(m_left.pictures.size())));
        Pick pick = std::move(m_left.pictures[at]);
        m_left.pictures[at] = std::move(m_left.pictures.back());
        m_left.pictures.pop_back();
        if (!m_round.contains(key(pick.path)))
            return pick;
    }
    // Every picture was shown: a new round, which does not open with the
    // picture that closed the last one.
    m_round.clear();
    if (Pick pick = drawn(true); pick.line >= 0)
        return pick;
    return set.at(0);
}

FolderRotation::Pick FolderRotation::within(const QStringList &files, const FolderPictures &folders,
                                            int line) {
    if (line < 0 || line >= files.size())
        return {};
    const QString &file = files.at(line);
    Pick pick{line, file};
    if (FolderScan::isFolderLine(file)) {
        const qsizetype n = folders.count(file);
        if (n == 0)
            return {};
        qsizetype i = 0;
        if (line == m_line) {
            const FolderPictures::Place place = folders.place(file, m_path);
            i = (place.at + (place.found ? 1 : 0)) % n;
        }
        pick.path = folders.picture(file, i);
    }
    shown(pick.line, pick.path);
    return pick;
}

void FolderRotation::shown(int line, const QString &path) {
    m_line = line;
    m_path = path;
    if (!path.isEmpty())
        m_round.insert(key(path));
}
