#include "protocol/protfile.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <fstream>
#include <random>
#include <system_error>
#include <vector>

#include "protocol/prot.h"
#include "base/encoding.h"

namespace brisolt {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kInitialBuffer = 1 << 16;
constexpr std::size_t kPendingNameSize = 4096;
constexpr int kMaxLinkDepth = 40;

// A slot is claimed (Used), then filled, then published (Ready); a signal handler reads only
// published names. Plain lock-free atomics are all a handler may touch.
struct TPendingSlot {
  std::atomic<bool> Used{false};
  std::atomic<bool> Ready{false};
  std::array<fs::path::value_type, kPendingNameSize> Name{};
};
static_assert(std::atomic<bool>::is_always_lock_free);

std::array<TPendingSlot, kPendingProtocolFileSlots> gPending;

int ClaimPendingSlot(const fs::path& name) {
  const fs::path::string_type& text = name.native();
  if (text.size() >= kPendingNameSize) {
    return -1;
  }
  for (int slot = 0; slot < kPendingProtocolFileSlots; ++slot) {
    bool expected = false;
    if (gPending[slot].Used.compare_exchange_strong(expected, true)) {
      text.copy(gPending[slot].Name.data(), text.size());
      gPending[slot].Name[text.size()] = 0;
      gPending[slot].Ready.store(true, std::memory_order_release);
      return slot;
    }
  }
  return -1;
}

void ReleasePendingSlot(int slot) {
  if (slot >= 0) {
    gPending[slot].Ready.store(false, std::memory_order_release);
    gPending[slot].Used.store(false, std::memory_order_release);
  }
}

// A short name whatever the target's length: a target of 255 bytes still has a sibling.
fs::path::string_type MakeTempName() {
  static constexpr char kLetters[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  static std::atomic<unsigned> counter{0};
  std::random_device device;
  std::mt19937 random(device() ^ (++counter * 0x9E3779B9u));
  std::string name = "~brs";
  for (int letter = 0; letter < 8; ++letter) {
    name += kLetters[random() % (sizeof kLetters - 1)];
  }
  name += ".tmp";
  return fs::path::string_type(name.begin(), name.end());
}

std::atomic<TLinkOwnerRule> gLinkOwnerRule{nullptr};

// The kernel's rule for following links in sticky folders anyone may write: another user could
// have planted the link there to make the protocol overwrite a file of ours.
bool MayFollow(const fs::path& link) {
  std::error_code error;
  const fs::path folder = link.has_parent_path() ? link.parent_path() : fs::path(".");
  const fs::perms folderPerms = fs::status(folder, error).permissions();
  if (error || (folderPerms & fs::perms::sticky_bit) == fs::perms::none ||
      (folderPerms & fs::perms::others_write) == fs::perms::none) {
    return true;
  }
  const TLinkOwnerRule rule = gLinkOwnerRule.load();
  return rule != nullptr && rule(link);
}

// The file `path` names with every symbolic link on the way followed, one part at a time, as the
// kernel follows them, also when the last link points nowhere yet. Each link passes the rule for
// planted links wherever it stands: a link to a folder in the middle of the path could send the
// protocol as far as one at the end. A chain longer than the kernel follows, or a loop, is refused.
fs::path FollowLinks(const std::string& fileName, const fs::path& path) {
  const fs::path relative = path.relative_path();
  std::vector<fs::path> rest(relative.begin(), relative.end());
  std::reverse(rest.begin(), rest.end());  // the next part last, to be popped
  fs::path done = path.root_path();
  int links = 0;
  std::error_code error;
  while (!rest.empty()) {
    const fs::path part = std::move(rest.back());
    rest.pop_back();
    if (part.empty() || part == ".") {
      continue;
    }
    if (part == "..") {
      // `done` holds no link, so its parent is the parent the kernel finds.
      done = done.empty() || done.filename() == ".." ? done / part
             : done.has_relative_path()             ? done.parent_path()
                                                    : done;
      continue;
    }
    fs::path candidate = done / part;
    if (!fs::is_symlink(candidate, error)) {
      done = std::move(candidate);
      continue;
    }
    const std::string shown = NameToUtf8(NativeFromPath(candidate));
    if (++links > kMaxLinkDepth) {
      throw EProtocolWriteError(fileName, "символическая ссылка " + shown +
                                " ведёт по цепочке длиннее " + std::to_string(kMaxLinkDepth) +
                                " ссылок или по кругу, запись по ней запрещена");
    }
    if (!MayFollow(candidate)) {
      throw EProtocolWriteError(fileName, "символическая ссылка " + shown +
                                " в общей папке создана другим пользователем, запись по ней запрещена");
    }
    const fs::path next = fs::read_symlink(candidate, error);
    if (error) {
      done = std::move(candidate);
      continue;
    }
    if (next.is_absolute()) {
      done = next.root_path();
    }
    const fs::path nextParts = next.relative_path();
    std::vector<fs::path> parts(nextParts.begin(), nextParts.end());
    rest.insert(rest.end(), parts.rbegin(), parts.rend());
  }
  return done;
}

// What the last failed call of the C library left in errno; none when it left nothing.
std::error_code SystemReason() { return std::error_code(errno, std::generic_category()); }

// The standard library cannot create a file owner-only: it narrows the mode right after, and
// gives back the umask's mode once the file is finished.
class TStandardUnfinishedFile final : public TUnfinishedFile {
 public:
  explicit TStandardUnfinishedFile(fs::path name) : name_(std::move(name)) {}
  ~TStandardUnfinishedFile() override {
    if (created_ && !placed_) {
      stream_.close();
      std::error_code ignored;
      fs::remove(name_, ignored);
    }
  }

  static std::unique_ptr<TUnfinishedFile> Make(const fs::path& tempName, std::error_code& error) {
    auto file = std::make_unique<TStandardUnfinishedFile>(tempName);
    errno = 0;
    file->stream_.open(tempName, std::ios::binary | std::ios::trunc);
    if (!file->stream_) {
      error = SystemReason();
      return nullptr;
    }
    file->created_ = true;
    file->newFileMode_ = fs::status(tempName, error).permissions() & fs::perms::all;
    if (!error) {
      fs::permissions(tempName, fs::perms::owner_read | fs::perms::owner_write, error);
    }
    if (error) {
      return nullptr;  // the file made is removed with it
    }
    return file;
  }

  std::error_code Write(std::string_view bytes) override {
    errno = 0;
    stream_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return stream_ ? std::error_code() : FailureReason();
  }

  std::error_code Finish() override {
    errno = 0;
    stream_.close();
    return stream_.fail() ? FailureReason() : std::error_code();
  }

  std::error_code SetMode(std::optional<fs::perms> perms) override {
    std::error_code error;
    fs::permissions(name_, perms.value_or(newFileMode_), error);
    return error;
  }

  std::error_code Place(const fs::path& target) override {
    std::error_code error;
    fs::rename(name_, target, error);
    placed_ = !error;
    return error;
  }

 private:
  // A stream that failed without the system saying why still failed.
  static std::error_code FailureReason() {
    const std::error_code reason = SystemReason();
    return reason ? reason : std::make_error_code(std::errc::io_error);
  }

  fs::path name_;
  std::ofstream stream_;
  fs::perms newFileMode_ = fs::perms::owner_read | fs::perms::owner_write;
  bool created_ = false;
  bool placed_ = false;
};

std::atomic<TUnfinishedFileMaker> gUnfinishedFileMaker{nullptr};

}  // namespace

void SetUnfinishedFileMaker(TUnfinishedFileMaker maker) { gUnfinishedFileMaker.store(maker); }

// The name is converted here, once, so that every writer's failure reads alike: a name that is
// not UTF-8 (windows-1251 bytes on Linux) would otherwise spoil the whole line.
EProtocolWriteError::EProtocolWriteError(const std::string& fileName, const std::string& what)
    : std::runtime_error(NameToUtf8(fileName) + ": " + what) {}

fs::path ResolveProtocolTarget(const std::string& fileName) {
  return FollowLinks(fileName, PathFromNative(fileName));
}

void SetLinkOwnerRule(TLinkOwnerRule rule) { gLinkOwnerRule.store(rule); }

const fs::path::value_type* PendingProtocolFile(int slot) {
  static const fs::path::value_type kEmpty[1] = {0};
  if (slot < 0 || slot >= kPendingProtocolFileSlots ||
      !gPending[slot].Ready.load(std::memory_order_acquire)) {
    return kEmpty;
  }
  return gPending[slot].Name.data();
}

TProtocolFile::TProtocolFile(const std::string& fileName)
    : fileName_(fileName), target_(ResolveProtocolTarget(fileName)) {
  std::error_code error;
  const fs::file_status status = fs::status(target_, error);
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    Fail(fs::is_directory(status) ? "это папка, а не файл" : "это не обычный файл");
  }
  // The user closed it against writing: a protocol kept on purpose is not replaced behind that.
  constexpr fs::perms kAnyWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  if (fs::is_regular_file(status) && (status.permissions() & kAnyWrite) == fs::perms::none) {
    Fail("файл только для чтения, его нельзя заменить");
  }
  // The temporary file lives in the target's folder so that the final rename never crosses
  // file systems and the folder's absence is found before anything is written.
  const fs::path folder = target_.parent_path();
  if (!folder.empty() && !fs::is_directory(folder, error)) {
    Fail(error == std::errc::permission_denied ? "нет доступа к папке" : "папка не существует", error);
  }
  for (int attempt = 0; attempt < 100 && temp_.empty(); ++attempt) {
    fs::path candidate = folder / MakeTempName();
    if (!fs::exists(fs::symlink_status(candidate, error))) {
      temp_ = std::move(candidate);
    }
  }
  if (temp_.empty()) {
    Fail("не удалось подобрать имя временного файла");
  }
  // Published before the file exists, so that an interrupt in between still finds it.
  pendingSlot_ = ClaimPendingSlot(temp_);
  const TUnfinishedFileMaker maker = gUnfinishedFileMaker.load();
  std::error_code reason;
  file_ = maker != nullptr ? maker(temp_, reason) : TStandardUnfinishedFile::Make(temp_, reason);
  if (file_ == nullptr) {
    ReleasePendingSlot(pendingSlot_);
    pendingSlot_ = -1;
    temp_.clear();
    Fail("не удалось создать файл", reason);
  }
  // A small protocol never needs the flush size; a large one grows to it within a few appends.
  buffer_.reserve(kInitialBuffer);
}

TProtocolFile::~TProtocolFile() {
  if (!committed_) {
    RemoveTemporary();
  }
}

void TProtocolFile::RemoveTemporary() {
  StopWriting(false);
  file_.reset();
  temp_.clear();
  ReleasePendingSlot(pendingSlot_);
  pendingSlot_ = -1;
}

void TProtocolFile::Flush() {
  if (buffer_.empty()) {
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return chunks_.size() < kChunksInFlight || failed_; });
  if (failed_) {
    const std::error_code reason = failure_;
    lock.unlock();
    Fail("ошибка записи", reason);
  }
  chunks_.push_back(std::move(buffer_));
  // A written chunk's memory comes back as the next buffer.
  buffer_.clear();
  if (!spare_.empty()) {
    buffer_.swap(spare_.back());
    spare_.pop_back();
  }
  if (!writer_.joinable()) {
    writer_ = std::thread([this] { WriteChunks(); });
  }
  lock.unlock();
  changed_.notify_all();
}

void TProtocolFile::WriteChunks() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return !chunks_.empty() || stopping_; });
    if (chunks_.empty()) {
      return;
    }
    std::string chunk = std::move(chunks_.front());
    chunks_.pop_front();
    writing_ = true;
    lock.unlock();
    const std::error_code reason = file_->Write(chunk);
    chunk.clear();
    lock.lock();
    writing_ = false;
    spare_.push_back(std::move(chunk));
    if (reason) {
      failed_ = true;
      failure_ = reason;
      chunks_.clear();
    }
    changed_.notify_all();
    if (failed_) {
      return;
    }
  }
}

void TProtocolFile::StopWriting(bool reportFailure) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (writer_.joinable()) {
    changed_.wait(lock, [this] { return (chunks_.empty() && !writing_) || failed_; });
    stopping_ = true;
    lock.unlock();
    changed_.notify_all();
    writer_.join();
    lock.lock();
  }
  if (reportFailure && failed_) {
    const std::error_code reason = failure_;
    lock.unlock();
    Fail("ошибка записи", reason);
  }
}

void TProtocolFile::FinishWriting() {
  if (writer_.joinable()) {
    Flush();
  } else if (!buffer_.empty()) {
    // A protocol that fits one buffer is written here: a thread of its own would only cost
    // its start.
    if (const std::error_code reason = file_->Write(buffer_)) {
      Fail("ошибка записи", reason);
    }
    buffer_.clear();
  }
  StopWriting(true);
  if (const std::error_code reason = file_->Finish()) {
    Fail("ошибка записи", reason);
  }
}

void TProtocolFile::Write(std::string_view bytes) {
  buffer_.append(bytes);
  if (buffer_.size() >= kFlushSize) {
    Flush();
  }
}

void TProtocolFile::Commit() {
  if (file_ == nullptr) {
    Fail("файл уже закрыт после ошибки");
  }
  FinishWriting();
  std::error_code error;
  // A replaced file keeps its permissions: a protocol closed to others stays closed. The entry
  // itself is asked, never a link that might have been put in its place since.
  const fs::file_status replaced = fs::symlink_status(target_, error);
  std::optional<fs::perms> mode;
  if (!error && fs::is_regular_file(replaced)) {
    mode = replaced.permissions() & fs::perms::all;
  }
  error = file_->SetMode(mode);
  if (error) {
    Fail("не удалось перенести права доступа на новый файл", error);
  }
  error = file_->Place(target_);
  if (error) {
    Fail("не удалось заменить файл", error);
  }
  committed_ = true;
  file_.reset();
  ReleasePendingSlot(pendingSlot_);
  pendingSlot_ = -1;
}

void TProtocolFile::Fail(const std::string& what, std::error_code reason) {
  std::string text = what;
  if (reason) {
    text += " (" + reason.message() + ")";
  }
  RemoveTemporary();
  throw EProtocolWriteError(fileName_, text);
}

}  // namespace brisolt
