#include "media/stills/stills_folder.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace media {
namespace {

namespace fs = std::filesystem;

constexpr const char* kJournalHeader = "kinoree stills journal 1";
// Files on their way in: written whole and synced under this prefix, then renamed.
constexpr const char* kIncoming = ".incoming-";
// A still to be inserted waits under this prefix until its place is free.
constexpr const char* kInserting = ".inserting-";

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// The lower-case extension of a camera's file name, with its dot: ".jpg", ".cr2".
std::string ExtensionOf(const std::string& fileName) {
    const size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || dot == 0) return "";
    std::string ext = fileName.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

// Where the AVI for `capturePath` is written before its first frame is published, as the
// recording names it: beside the file a link at the path leads to.
std::string AviWritingPath(const std::string& capturePath) {
    std::error_code ec;
    std::string target = capturePath;
    if (fs::is_symlink(capturePath, ec)) target = fs::weakly_canonical(capturePath, ec).string();
    return OutputFile::unfinishedPath(target);
}

// Whether a recording is writing the AVI for `capturePath`: it holds a lock on the file it writes,
// under its unfinished name or, once published, at the path, and that lock covers the stills too.
bool RecordingInProgress(const std::string& capturePath) {
    for (const std::string& path : {AviWritingPath(capturePath), capturePath}) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        const bool locked = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        ::close(fd);
        if (locked) return true;
    }
    return false;
}

}  // namespace

std::string StillsFolderPath(const std::string& capturePath) {
    const size_t slash = capturePath.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = capturePath.rfind('.');
    // A leading dot names a hidden file; it is not an extension.
    if (dot == std::string::npos || dot <= nameStart) return capturePath + ".stills";
    return capturePath.substr(0, dot) + ".stills";
}

StillsFolder::StillsFolder(std::string capturePath)
    : m_capture(std::move(capturePath)),
      m_folder(StillsFolderPath(m_capture)),
      m_unfinished(m_folder + ".unfinished"),
      m_journal(m_folder + ".journal"),
      m_writing(m_folder),
      m_count(ListStills(m_folder).size()) {}

std::map<uint64_t, std::vector<std::string>> ListStills(const std::string& folder) {
    std::map<uint64_t, std::vector<std::string>> stills;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file(ec)) continue;
        const std::string name = entry.path().filename().string();
        size_t digits = 0;
        while (digits < name.size() && std::isdigit(static_cast<unsigned char>(name[digits]))) ++digits;
        if (digits < 6 || digits > 18 || (digits < name.size() && name[digits] != '.')) continue;
        stills[std::stoull(name.substr(0, digits))].push_back(name);
    }
    for (auto& [number, names] : stills) std::sort(names.begin(), names.end());
    return stills;
}

std::string StillsFolder::numbered(uint64_t number, const std::string& fileName) const {
    char digits[24];
    snprintf(digits, sizeof digits, "%06llu", static_cast<unsigned long long>(number));
    return m_writing + "/" + digits + ExtensionOf(fileName);
}

// A name in deleted/ that no earlier deletion took: 000012.jpg, else 000012-2.jpg, ...
std::string StillsFolder::deletedName(const std::string& fileName) const {
    const std::string ext = ExtensionOf(fileName);
    const std::string stem = fileName.substr(0, fileName.size() - ext.size());
    const std::string folder = m_writing + "/deleted/";
    std::string candidate = folder + stem + ext;
    for (int n = 2; Exists(candidate); ++n) candidate = folder + stem + "-" + std::to_string(n) + ext;
    return candidate;
}

int StillsFolder::intercept(FileOperation op, const std::string& path, std::span<const uint8_t> data) const {
    return m_hook ? m_hook(FileChange{op, 0, data, path}) : 0;
}

Error StillsFolder::fail(int err, const std::string& action, const std::string& what) const {
    const std::string why = strerror(err);
    if (err == ENOSPC || err == EDQUOT) {
        return {ErrorKind::DiskFull, "The disk is full: cannot " + action + " " + what + " (" + why + ")"};
    }
    return {ErrorKind::Io, "Cannot " + action + " " + what + ": " + why};
}

Error StillsFolder::syncFolder(const std::string& folder) {
    int err = intercept(FileOperation::SyncFolder, folder);
    if (!err) {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 || fsync(fd) != 0) err = errno;
        if (fd >= 0) ::close(fd);
    }
    return err ? fail(err, "save the folder", folder) : Error::none();
}

Error StillsFolder::makeFolder(const std::string& folder) {
    if (mkdir(folder.c_str(), 0777) == 0) return syncFolder(FolderOf(folder));
    if (errno == EEXIST && fs::is_directory(folder)) return Error::none();
    return {ErrorKind::CannotCreate, "Cannot create folder " + folder + ": " + strerror(errno)};
}

// Written whole and synced under a temporary name, then renamed: the name never holds part of it.
Error StillsFolder::writeFile(const std::string& path, const std::vector<uint8_t>& data) {
    const std::string folder = FolderOf(path);
    const std::string temporary = folder + "/" + kIncoming + NameOf(path);
    int err = intercept(FileOperation::Write, temporary, data);
    int fd = -1;
    if (!err) {
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) err = errno;
    }
    for (size_t done = 0; !err && done < data.size();) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0)
            err = errno;
        else
            done += size_t(n);
    }
    if (!err) err = intercept(FileOperation::Sync, temporary);
    if (!err && fsync(fd) != 0) err = errno;
    if (fd >= 0) ::close(fd);
    if (!err) err = intercept(FileOperation::Rename, path);
    if (!err && rename(temporary.c_str(), path.c_str()) != 0) err = errno;
    if (err) {
        unlink(temporary.c_str());
        return fail(err, "save", path);
    }
    return syncFolder(folder);
}

Error StillsFolder::beginTake() {
    if (m_hasPending) return {ErrorKind::Io, "Cannot start a new take: a change of the last one is unfinished"};
    std::error_code ec;
    fs::remove_all(m_unfinished, ec);  // a new take's stills never published: not a take at all
    if (ec) return {ErrorKind::CannotCreate, "Cannot remove " + m_unfinished + ": " + ec.message()};
    if (Error e = makeFolder(m_unfinished)) return e;
    m_writing = m_unfinished;
    m_count = 0;
    m_undo.clear();
    return Error::none();
}

Error StillsFolder::append(const Still& still) {
    if (Error e = makeFolder(m_writing)) return e;
    const uint64_t number = m_count + 1;
    std::vector<std::string> written;
    for (const StillFile& file : still.files) {
        const std::string path = numbered(number, file.name);
        if (Error e = writeFile(path, file.data)) {
            // Not part of the take: its frame was never added.
            for (const std::string& done : written) unlink(done.c_str());
            return e;
        }
        written.push_back(path);
    }
    m_count = number;
    return Error::none();
}

// Every file of the stills from `from` on, one number up (direction 1, the last first, so that
// each lands on a free name) or down (-1, the first first).
std::vector<StillsFolder::Rename> StillsFolder::shift(uint64_t from, int direction) const {
    std::vector<Rename> renames;
    const auto stills = ListStills(m_writing);
    auto add = [&](uint64_t number, const std::vector<std::string>& names) {
        if (number < from) return;
        for (const std::string& name : names) {
            renames.push_back({m_writing + "/" + name, numbered(direction > 0 ? number + 1 : number - 1, name)});
        }
    };
    if (direction > 0) {
        for (auto it = stills.rbegin(); it != stills.rend(); ++it) add(it->first, it->second);
    } else {
        for (const auto& [number, names] : stills) add(number, names);
    }
    return renames;
}

// The inode of still `number`'s first file, 0 when there is none.
ino_t StillsFolder::inodeOf(uint64_t number) const {
    const auto stills = ListStills(m_writing);
    const auto it = stills.find(number);
    struct stat st {};
    if (it == stills.end() || stat((m_writing + "/" + it->second.front()).c_str(), &st) != 0) return 0;
    return st.st_ino;
}

Error StillsFolder::beginPublish() {
    Journal journal;
    journal.publish = true;
    journal.before = 0;
    journal.after = m_count;
    struct stat avi {};
    if (stat(AviWritingPath(m_capture).c_str(), &avi) != 0 && stat(m_capture.c_str(), &avi) != 0) {
        return {ErrorKind::Io, "Cannot keep the stills of " + m_capture + ": the recording is not there"};
    }
    journal.aviDevice = avi.st_dev;
    journal.aviInode = avi.st_ino;
    if (Exists(m_folder)) {
        std::string aside;
        for (int n = 1; aside.empty() || Exists(aside); ++n) aside = m_folder + "." + std::to_string(n);
        journal.renames.push_back({m_folder, aside});
    }
    // A take without stills (a webcam's) only sets the older take's aside: they are not its.
    if (m_count > 0) journal.renames.push_back({m_unfinished, m_folder});
    m_pendingUndo = {};
    if (Error e = begin(std::move(journal))) return e;
    m_writing = m_folder;
    return Error::none();
}

Error StillsFolder::beginDelete(uint64_t position) {
    const auto stills = ListStills(m_writing);
    const auto it = stills.find(position);
    if (it == stills.end()) return {ErrorKind::Io, "Frame " + std::to_string(position) + " has no still to delete"};
    if (Error e = makeFolder(m_writing + "/deleted")) return e;
    Journal journal;
    journal.before = m_count;
    journal.after = m_count - 1;
    Deletion deletion{position, {}, position > 1 ? inodeOf(position - 1) : 0};
    for (const std::string& name : it->second) deletion.moved.push_back({m_writing + "/" + name, deletedName(name)});
    journal.renames = deletion.moved;
    for (Rename& r : shift(position + 1, -1)) journal.renames.push_back(std::move(r));
    m_pendingUndo = m_undo;
    m_pendingUndo.push_back(std::move(deletion));
    return begin(std::move(journal));
}

Error StillsFolder::beginInsert(uint64_t after, const Still& still) {
    if (after > m_count) return {ErrorKind::Io, "Cannot insert after frame " + std::to_string(after)};
    Journal journal;
    journal.before = m_count;
    journal.after = m_count + 1;
    journal.renames = shift(after + 1, 1);
    std::vector<std::string> waiting;
    for (const StillFile& file : still.files) {
        const std::string path = m_writing + "/" + kInserting + NameOf(numbered(after + 1, file.name));
        if (Error e = writeFile(path, file.data)) {
            for (const std::string& done : waiting) unlink(done.c_str());
            return e;
        }
        waiting.push_back(path);
        journal.renames.push_back({path, numbered(after + 1, file.name)});
    }
    m_pendingUndo = m_undo;
    return begin(std::move(journal));
}

Error StillsFolder::beginUndoDelete() {
    if (m_undo.empty()) return {ErrorKind::Io, "No deleted still to bring back"};
    const Deletion& last = m_undo.back();
    uint64_t position = std::min(last.position, m_count + 1);
    for (uint64_t n = 1; last.follows && n <= m_count; ++n) {
        if (inodeOf(n) == last.follows) position = n + 1;
    }
    Journal journal;
    journal.before = m_count;
    journal.after = m_count + 1;
    journal.renames = shift(position, 1);
    for (const Rename& moved : last.moved)
        journal.renames.push_back({moved.to, numbered(position, NameOf(moved.from))});
    m_pendingUndo = m_undo;
    m_pendingUndo.pop_back();
    return begin(std::move(journal));
}

Error StillsFolder::begin(Journal journal) {
    if (m_hasPending) return {ErrorKind::Io, "Cannot change the stills: the last change is unfinished"};
    if (Error e = writeJournal(journal)) return e;
    m_pending = std::move(journal);
    m_hasPending = true;
    if (Error e = apply(m_pending.renames)) {
        // Put back what was done; if even that fails, the journal stays for the next start.
        (void)rollback();
        return e;
    }
    return Error::none();
}

Error StillsFolder::commit() {
    if (!m_hasPending) return Error::none();
    // The change is whole on disk whatever becomes of the journal: one left behind is finished
    // again, changing nothing, at the next start, and the next change writes over it.
    m_hasPending = false;
    m_count = m_pending.after;
    m_undo = std::move(m_pendingUndo);
    if (m_pending.publish && m_count == 0) {
        std::error_code ec;
        fs::remove_all(m_unfinished, ec);  // empty: the take has no stills
    }
    return removeJournal();
}

Error StillsFolder::rollback() {
    if (!m_hasPending) return Error::none();
    std::vector<Rename> back;
    for (auto it = m_pending.renames.rbegin(); it != m_pending.renames.rend(); ++it) back.push_back({it->to, it->from});
    if (Error e = apply(back)) return e;
    if (m_pending.publish) m_writing = m_unfinished;
    // Undone on disk: a journal that cannot be removed is undone again, changing nothing, at the
    // next start, and the next change writes over it.
    m_hasPending = false;
    if (Error e = setAsideStrays()) return e;
    return removeJournal();
}

// Each rename is done only when its source is there and its target is free: replaying a list
// that was partly carried out, either way, picks up where it stopped.
Error StillsFolder::apply(const std::vector<Rename>& renames) {
    std::vector<std::string> folders;
    for (const Rename& r : renames) {
        if (!Exists(r.from) || Exists(r.to)) continue;
        int err = intercept(FileOperation::Rename, r.to);
        if (!err && rename(r.from.c_str(), r.to.c_str()) != 0) err = errno;
        if (err) return fail(err, "rename", r.from);
        for (const std::string& f : {FolderOf(r.from), FolderOf(r.to)}) {
            if (std::find(folders.begin(), folders.end(), f) == folders.end()) folders.push_back(f);
        }
    }
    for (const std::string& folder : folders) {
        if (Exists(folder)) {
            if (Error e = syncFolder(folder)) return e;
        }
    }
    return Error::none();
}

Error StillsFolder::writeJournal(const Journal& journal) {
    std::ostringstream text;
    text << kJournalHeader << "\n"
         << "frames " << journal.before << " " << journal.after << "\n"
         << "publish " << journal.publish << " " << journal.aviDevice << " " << journal.aviInode << "\n";
    for (const Rename& r : journal.renames) text << "rename\t" << r.from << "\t" << r.to << "\n";
    text << "end\n";  // a journal cut short is never acted on
    const std::string s = text.str();
    return writeFile(m_journal, std::vector<uint8_t>(s.begin(), s.end()));
}

Error StillsFolder::readJournal(Journal& journal, bool& found) const {
    std::ifstream in(m_journal);
    found = in.is_open();
    if (!found) return Error::none();
    std::string line;
    bool complete = false;
    std::getline(in, line);
    const bool ours = line == kJournalHeader;
    while (ours && std::getline(in, line)) {
        std::istringstream fields(line);
        std::string word;
        fields >> word;
        if (word == "frames") fields >> journal.before >> journal.after;
        if (word == "publish") fields >> journal.publish >> journal.aviDevice >> journal.aviInode;
        if (word == "rename") {
            const size_t tab = line.find('\t', 7);
            if (tab != std::string::npos) journal.renames.push_back({line.substr(7, tab - 7), line.substr(tab + 1)});
        }
        if (word == "end") complete = true;
    }
    if (!complete) return {ErrorKind::Io, "The journal " + m_journal + " is damaged; the stills were left as they are"};
    return Error::none();
}

Error StillsFolder::removeJournal() {
    // Reported as a rename: the journal's name goes away, and a test may stop just before.
    int err = intercept(FileOperation::Rename, m_journal);
    if (!err && unlink(m_journal.c_str()) != 0 && errno != ENOENT) err = errno;
    if (err) return fail(err, "remove", m_journal);
    return syncFolder(FolderOf(m_journal));
}

Error StillsFolder::recover(uint64_t aviFrames) {
    if (RecordingInProgress(m_capture)) {
        return {ErrorKind::DeviceBusy,
                "Another recording to " + m_capture + " is in progress: its stills were left as they are"};
    }
    m_hasPending = false;
    m_undo.clear();
    Journal journal;
    bool found = false;
    if (Error e = readJournal(journal, found)) return e;
    if (found) {
        bool done = aviFrames == journal.after;
        if (journal.publish) {
            struct stat avi {};
            done =
                stat(m_capture.c_str(), &avi) == 0 && avi.st_dev == journal.aviDevice && avi.st_ino == journal.aviInode;
        }
        m_pending = journal;
        m_hasPending = true;
        m_writing = journal.publish ? m_unfinished : m_folder;
        if (done) {
            if (Error e = apply(journal.renames)) return e;
            if (Error e = removeJournal()) return e;
            m_hasPending = false;
        } else if (Error e = rollback()) {
            return e;
        }
    }
    std::error_code ec;
    fs::remove_all(m_unfinished, ec);
    if (ec) return {ErrorKind::Io, "Cannot remove " + m_unfinished + ": " + ec.message()};
    unlink((FolderOf(m_journal) + "/" + kIncoming + NameOf(m_journal)).c_str());  // one cut short
    m_writing = m_folder;
    if (Error e = setAsideStrays()) return e;
    return reconcile(aviFrames);
}

// What a change left half done in the folder: a file cut short on its way in is no still and
// goes; a still that was to be inserted is whole, and goes to deleted/ like any still the take
// does not hold.
Error StillsFolder::setAsideStrays() {
    std::vector<Rename> strays;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_writing, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(kIncoming)) unlink(entry.path().c_str());
        if (!name.starts_with(kInserting)) continue;
        if (Error e = makeFolder(m_writing + "/deleted")) return e;
        strays.push_back({entry.path().string(), deletedName(name.substr(strlen(kInserting)))});
    }
    return apply(strays);
}

Error StillsFolder::reconcile(uint64_t aviFrames) {
    if (!Exists(m_writing)) {
        m_count = 0;
        return Error::none();  // a take without stills
    }
    std::vector<Rename> extra;
    const auto stills = ListStills(m_writing);
    uint64_t kept = 0;
    for (const auto& [number, names] : stills) {
        if (number <= aviFrames) {
            ++kept;
            continue;
        }
        if (Error e = makeFolder(m_writing + "/deleted")) return e;
        for (const std::string& name : names) extra.push_back({m_writing + "/" + name, deletedName(name)});
    }
    if (Error e = apply(extra)) return e;
    m_count = kept;
    if (kept < aviFrames) {
        return {ErrorKind::Io, std::to_string(aviFrames - kept) + " of the take's " + std::to_string(aviFrames) +
                                   " frames have no still in " + m_writing};
    }
    return Error::none();
}

}  // namespace media
