// Files opened for writing: no path reaches a pipe, socket or event descriptor of the process (its signal
// pipe among them), whatever folder, link or working folder leads there, also when the path is turned to
// one while it is opened; the reader's own files and FIFOs still open.
#include "documentscripts.h"

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// What a descriptor link of the process reaches: none of the pipes, sockets and event descriptors the
// process holds opens for writing, under any name, and not a byte reaches one; the reader's own files and
// FIFOs still do.
class HeldDescriptorsTest : public qmtest::DocumentScriptTest {
protected:
  HeldDescriptorsTest() {
    EXPECT_EQ(pipe2(pipeEnds, O_NONBLOCK), 0);
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, pair), 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", (files / "listening").c_str());
    EXPECT_EQ(bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(listen(listening, 1), 0);
  }
  ~HeldDescriptorsTest() override {
    for (int fd : {pipeEnds[0], pipeEnds[1], pair[0], pair[1], event, listening})
      close(fd);
  }
  // Every pipe and socket the process holds (its own above, and whatever the test runner gave it), and
  // the event descriptor.
  static std::vector<int> held() {
    std::vector<int> fds;
    for (auto const& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
      const int fd = std::stoi(entry.path().filename().string());
      struct stat file {};
      if (fstat(fd, &file) == 0 && (S_ISFIFO(file.st_mode) || S_ISSOCK(file.st_mode))) fds.push_back(fd);
    }
    return fds;
  }
  // True when a byte waits in the pipe, either end of the pair or the event descriptor.
  bool anythingArrived() const {
    char byte;
    uint64_t count;
    return read(pipeEnds[0], &byte, 1) > 0 || recv(pair[0], &byte, 1, MSG_DONTWAIT) > 0 ||
           recv(pair[1], &byte, 1, MSG_DONTWAIT) > 0 || read(event, &count, sizeof count) > 0;
  }

  int pipeEnds[2] = {-1, -1};
  int pair[2] = {-1, -1};
  int event = eventfd(0, EFD_NONBLOCK);
  int listening = socket(AF_UNIX, SOCK_STREAM, 0);
};

TEST_F(HeldDescriptorsTest, NoPathToAPipeOrSocketOfTheProcessOpensForWriting) {
  std::vector<int> fds = held();
  fds.push_back(event);
  ASSERT_GE(fds.size(), 6u);
  std::string list;
  for (int fd : fds)
    list += std::to_string(fd) + ", ";
  const std::string pid = std::to_string(getpid());
  const std::string prelude =
      "local lfs = require 'lfs'\nlocal link = " + quoted((files / "link").string()) + "\n";
  // The script's function that makes the path to fd, after what the script does first.
  const struct {
    const char* name;
    std::string setUp;
    std::string path;
  } forms[] = {
      {"the process's own folder", "", "return '/proc/self/fd/' .. fd"},
      {"the thread's own folder", "", "return '/proc/thread-self/fd/' .. fd"},
      {"the process by number", "", "return '/proc/" + pid + "/fd/' .. fd"},
      {"the thread by number", "",
       "return '/proc/" + pid + "/task/" + std::to_string(gettid()) + "/fd/' .. fd"},
      {"the folder of /dev", "", "return '/dev/fd/' .. fd"},
      {"doubled slashes", "", "return '//proc///self//fd/' .. fd"},
      {"a step back", "", "return '/proc/self/../self/fd/' .. fd"},
      {"the process's root", "", "return '/proc/self/root/proc/self/fd/' .. fd"},
      {"a link of the script's own", "",
       "os.remove(link)\nassert(lfs.link('/proc/self/fd/' .. fd, link, true))\nreturn link"},
      {"a link to the folder", "assert(lfs.link('/proc/self/fd', link, true))\n", "return link .. '/' .. fd"},
      {"the folder as the working folder", "assert(lfs.chdir('/proc/self/fd'))\n", "return tostring(fd)"},
  };
  // Each attempt that is not refused by an error prints what it got.
  const std::string attempts = "for _, fd in ipairs{" + list + R"(} do
  for _, open in ipairs{function(p) return io.open(p, 'w') end, function(p) return io.open(p, 'a') end,
                        function(p) return io.open(p, 'r+') end, io.output} do
    local got = table.pack(pcall(open, path(fd)))
    if got[1] or not got[2]:find('a pipe, socket or event descriptor', 1, true) then
      print(fd, table.unpack(got, 1, got.n))
    end
  end
end
print('ran on'))";
  for (auto const& form : forms) {
    SCOPED_TRACE(form.name);
    std::filesystem::remove(files / "link");
    const auto r = run(prelude + form.setUp + "local function path(fd)\n" + form.path + "\nend\n" + attempts);
    EXPECT_EQ(r.status, 0) << r.message;
    EXPECT_EQ(r.output, "ran on\n");
  }
  // Unprotected, the refusal ends the script with its error.
  expectErrors("", {{"io.open('/dev/fd/" + std::to_string(pipeEnds[1]) + "', 'w'):write('x')",
                     "cannot write to '/dev/fd/" + std::to_string(pipeEnds[1]) + "'"}});
  EXPECT_FALSE(anythingArrived());
}

TEST_F(HeldDescriptorsTest, TheReadersOwnFilesAndFifosStillOpen) {
  const std::string fifo = quoted((files / "fifo").string());
  const std::string file = quoted((files / "file.txt").string());
  ASSERT_EQ(mkfifo((files / "fifo").c_str(), 0600), 0);
  const auto r = run("local lfs = require 'lfs'\nlocal fifo, file = " + fifo + ", " + file + "\n" + R"(
local reading = assert(io.open(fifo, 'r+'))
local f = assert(io.open(fifo, 'w'))
f:write('fifo ') f:close()
print(reading:read(5))
for _, mode in ipairs{'w', 'a', 'r+'} do
  f = assert(io.open(file, mode))
  f:write(mode) f:close()
end
assert(lfs.link(file, file .. '.link', true))
f = assert(io.open(file .. '.link', 'a'))
f:write(' linked') f:close()
print(io.open(file):read('a')))");
  EXPECT_EQ(r.status, 0) << r.message;
  EXPECT_EQ(r.output, "fifo \nr+ linked\n");
}

// A link that another thread turns between a file and the pipe while the script opens it: whichever the
// path leads to as it is looked at and as it is opened, no byte reaches the pipe.
TEST_F(HeldDescriptorsTest, APathTurnedToThePipeWhileOpeningIsStillRefused) {
  const auto file = files / "file.txt";
  const std::string toPipe = "/proc/self/fd/" + std::to_string(pipeEnds[1]);
  qmtest::writeFile(file, "");
  std::atomic<bool> done{false};
  std::thread turner([&] {
    const auto spare = files / "spare";
    for (bool pipe = false; !done; pipe = !pipe) {
      unlink(spare.c_str());
      if (symlink(pipe ? toPipe.c_str() : file.c_str(), spare.c_str()) == 0)
        rename(spare.c_str(), (files / "turning").c_str());
    }
  });
  const auto r = run("local turning = " + quoted((files / "turning").string()) + R"(
local refused, opened = 0, 0
for i = 1, 5000 do
  local ok, f = pcall(io.open, turning, 'w')
  if not ok then
    refused = refused + 1
  elseif f then
    opened = opened + 1
    f:write('x') f:close()
  end
end
print(refused > 0, opened > 0))");
  done = true;
  turner.join();
  EXPECT_EQ(r.output, "true\ttrue\n") << r.message;
  EXPECT_FALSE(anythingArrived());
}

} // namespace
