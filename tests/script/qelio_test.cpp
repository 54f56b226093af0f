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

  // A script prelude that replaces every file method, and tostring, with a function that keeps every file
  // it is given in `handed`; `restore()` puts tostring back.
  static std::string methodsReplaced() {
    return R"(local handed = {}
local original = tostring
local function keep(...)
  for i = 1, select('#', ...) do
    local v = select(i, ...)
    if io.type(v) then handed[#handed + 1] = v end
  end
  return 'kept'
end
local methods = getmetatable(io.stdout)
for name in pairs(methods) do methods[name] = keep end
tostring = keep
local function restore() tostring = original end
)";
  }

  // A script loop that opens the path (a Lua expression) to write, times times, and writes "x" into whatever
  // opens (through io.write, which no replaced method reaches), counting refused and opened.
  static std::string opensAndWrites(std::string const& path, int times) {
    return "local refused, opened = 0, 0\nfor i = 1, " + std::to_string(times) +
           " do\n  local ok, f = pcall(io.open, " + path + R"(, 'w')
  if not ok then
    refused = refused + 1
  elseif f then
    opened = opened + 1
    io.output(f)
    io.write('x')
    io.close()
  end
end
)";
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

// Whatever the script has put in place of the file methods, a refused file reaches none of them: the host
// closes it itself, or never opens it.
TEST_F(HeldDescriptorsTest, ARefusedFileReachesNoMethodOfTheScripts) {
  std::string paths;
  for (int fd : held())
    paths += "'/proc/self/fd/" + std::to_string(fd) + "', ";
  paths += "'/proc/self/fd/" + std::to_string(event) + "'";
  const std::string mem = "'/proc/self/mem', '/proc/thread-self/mem', '/proc/" + std::to_string(getpid()) +
                          "/mem', '/proc/self/task/" + std::to_string(gettid()) + "/mem'";
  const auto r = run(methodsReplaced() + "local descriptors, mem = {" + paths + "}, {" + mem + R"(}
local modes = {'w', 'a', 'r+', 'w+', 'a+', 'wb'}
local answers = {}
for _, group in ipairs{descriptors, mem} do
  for _, path in ipairs(group) do
    for _, mode in ipairs(modes) do
      local ok, f, message = pcall(io.open, path, mode)
      if io.type(f) then handed[#handed + 1] = f end
      answers[#answers + 1] = ok and message:gsub('^.*: ', '') or f:match('a pipe, socket or event')
    end
    local ok = pcall(io.output, path)
    if ok then handed[#handed + 1] = io.output() end
  end
end
restore()
local seen = {}
for _, answer in ipairs(answers) do seen[answer] = true end
local kinds = {}
for answer in pairs(seen) do kinds[#kinds + 1] = answer end
table.sort(kinds)
print(#handed, table.concat(kinds, ', ')))");
  EXPECT_EQ(r.output, "0\tPermission denied, a pipe, socket or event\n") << r.message;
  EXPECT_FALSE(anythingArrived());
}

// A relative path is looked at and opened in one folder, though a finalizer run by the open's own
// allocation moves the script between a folder where the path names a file and /proc/self, where it names
// the pipe: opened, it is the file.
TEST_F(HeldDescriptorsTest, AFolderMovedByAFinalizerWhileOpeningNeverLeadsToThePipe) {
  const std::string name = "fd/" + std::to_string(pipeEnds[1]);
  std::filesystem::create_directories(files / "fd");
  qmtest::writeFile(files / name, "");
  const auto r = run(methodsReplaced() + "local lfs = require 'lfs'\nlocal folders = {'/proc/self', " +
                     quoted(files.path().string()) + "}\nlocal name = '" + name + R"('
local turns = 0
local turning = {}
turning.__gc = function()
  turns = turns + 1
  lfs.chdir(folders[turns % 2 + 1])
  setmetatable({}, turning)
end
setmetatable({}, turning)
collectgarbage('setpause', 0)
)" + opensAndWrites("name", 20000) +
                     R"(restore()
print(#handed, refused > 0, opened > 0, turns > 1000))");
  EXPECT_EQ(r.output, "0\ttrue\ttrue\ttrue\n") << r.message;
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
print(io.open(file):read('a'))
-- links to files not made yet make them where they point, as the library's open does
assert(lfs.mkdir(fifo .. '.d'))
assert(lfs.link('made.txt', fifo .. '.d/first', true))
assert(lfs.link('first', fifo .. '.d/second', true))
f = assert(io.open(fifo .. '.d/second', 'w'))
f:write('made') f:close()
print(io.open(fifo .. '.d/made.txt'):read('a'))
assert(lfs.link('loop', fifo .. '.d/loop', true))
print(io.open(fifo .. '.d/loop', 'w'))
print(io.open(fifo .. '.d/nothing', 'r+')))");
  EXPECT_EQ(r.status, 0) << r.message;
  const std::string folder = (files / "fifo.d/").string();
  EXPECT_EQ(r.output, "fifo \nr+ linked\nmade\nnil\t" + folder +
                          "loop: Too many levels of symbolic links\t40\nnil\t" + folder +
                          "nothing: No such file or directory\t2\n");
}

// A link that another thread turns between a file, the pipe and a file not made yet while the script opens
// it by a relative name, with the file methods replaced: whichever the path leads to as it is opened, no
// handle on the pipe is made and no byte reaches it.
TEST_F(HeldDescriptorsTest, APathTurnedToThePipeWhileOpeningIsStillRefused) {
  const auto file = files / "file.txt";
  const std::string targets[] = {file.string(), "/proc/self/fd/" + std::to_string(pipeEnds[1]), "new.txt"};
  qmtest::writeFile(file, "");
  std::atomic<bool> done{false};
  std::thread turner([&] {
    const auto spare = files / "spare";
    for (unsigned turn = 0; !done; ++turn) {
      unlink(spare.c_str());
      unlink((files / "new.txt").c_str());
      if (symlink(targets[turn % 3].c_str(), spare.c_str()) == 0)
        rename(spare.c_str(), (files / "turning").c_str());
    }
  });
  const auto r = run(methodsReplaced() + "require('lfs').chdir(" + quoted(files.path().string()) + R"()
)" + opensAndWrites("'turning'", 5000) +
                     R"(restore()
print(#handed, refused > 0, opened > 0))");
  done = true;
  turner.join();
  EXPECT_EQ(r.output, "0\ttrue\ttrue\n") << r.message;
  EXPECT_FALSE(anythingArrived());
}

// The io functions and file methods answer as the library's, errors naming the function, the argument and
// the script's line.
class IoLibraryTest : public qmtest::DocumentScriptTest {};

TEST_F(IoLibraryTest, FunctionsAndMethodsAnswerAsTheLibrary) {
  const std::string file = quoted((files / "file.txt").string());
  const std::string closed = "(function() local f = io.tmpfile() f:close() return f end)()";
  expectAnswersOfTheLibrary({
      "io.open()",
      "io.open('x', 'rw')",
      "io.open('x', {})",
      "io.open('/nonexistent/x')",
      "io.open('/nonexistent/x', 'w')",
      "io.open('/', 'w')",
      "io.type(io.open(" + file + ", 'w+b')), io.type(io.open(" + file + ", 'r+bb')), io.type(io.open(" +
          file + ", 'a'))",
      "io.stdout:seek('bad')",
      "io.stdout:seek('set', 'x')",
      "io.stdout:seek('set', 2^63)",
      "io.stdout.seek()",
      "(function() local f = io.tmpfile() f:write('abc') return f:seek('set', 1), f:read('a'), "
      "f:seek('end'), f:seek('cur', -1), f:seek('set', -1) end)()",
      "io.stdout:setvbuf()",
      "io.stdout:setvbuf('bad')",
      "io.stdout:setvbuf('full', 'x')",
      "io.tmpfile():setvbuf('line', 10)",
      "io.input('/nonexistent/x')",
      "io.output('/nonexistent/x')",
      "io.input({})",
      "io.input(" + closed + ")",
      "io.lines('/nonexistent/x')",
      "io.close(42)",
      "io.close(" + closed + ")",
      "io.stdout.close(42)",
      "io.stdout.flush(42)",
      closed + ":flush()",
      closed + ":seek()",
      closed + ":setvbuf('no')",
      "io.popen()",
      "io.popen('true', 'rw')",
      "io.popen('exit 3'):close()",
      "io.type()",
      "io.type(42), io.type(io.stdout), io.type(" + closed + ")",
      "io.tmpfile():close()",
      "getmetatable(io.stdout).__index == getmetatable(io.stdout), getmetatable(io.stdout).__name",
  });
}

} // namespace
