// The library functions that the runner replaces so that a kill stops them (strings, formats, pack, utf8,
// tonumber, loading, pcall) answer as the library's, also on inputs long enough to take the paths that only
// long ones take; and a kill that a script catches still ends it.
#include "scriptrun.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace std::chrono_literals;

class QelStoppableTest : public qmtest::ScriptHostTest {};

TEST_F(QelStoppableTest, StringsAndFormatsAnswerAsTheLibrary) {
  expectAnswersOfTheLibrary({
      "('abc'):reverse(), (''):reverse(), string.reverse(5), ('aB1\\200\\0z'):upper(), ('AbÉ\\0Z'):lower()",
      "string.reverse()",
      "string.upper({})",
      "('x'):rep(70000):reverse():len(), ('aB'):rep(40000):upper():sub(-3)",
      "string.format('%5.2f|%-5d|%+d|% d|%05d|%#x|%X|%o|%u|%i|%c%c', 1/3, 3, 3, 3, 3, 255, 255, 8, 3, -3, "
      "65, 66.0)",
      "string.format('%e %E %g %G %a %A %.3f %10.4s|', 1e10, 1e-10, 1e20, 1e-20, 1, 0.5, 2/3, 'abcdef')",
      "string.format('%d %x %i', '10', 3.0, math.mininteger), string.format('%99.99f', -1e308):len()",
      "string.format('%s %s %s', 1, 2.5, setmetatable({}, {__tostring = function() return 'T' end}))",
      "string.format('%s|%5s|%.2s', ('x'):rep(200), ('y'):rep(120), 'abc'):len()",
      "string.format('%q', 'a\\0001\\r\\n\"\\\\\\127\\0')",
      "string.format('%q %q %q %q %q', 1, 1.5, math.mininteger, true, nil)",
      "string.format('%q', -0.0), string.format('%q', 1e300), string.format('%5q', 1)",
      "string.format('%q', {})",
      "string.format('%d', 1.5)",
      "string.format('%d', 'x')",
      "string.format('%-----5d', 1), string.format('%%|%5%', 1)",
      "string.format('%------5d', 1)",
      "string.format('%123d', 1)",
      "string.format('%1.123f', 1)",
      "string.format('%5s', 'a\\0b')",
      "string.format('%', 1)",
      "string.format('x%')",
      "string.format('%l', 1)",
      "string.format('%F', 1)",
      "string.format()",
      "string.format('%s')",
      "string.format(('ab%%'):rep(30000)):len(), string.format(('x'):rep(70000) .. '%d', 1):sub(-3)",
      // Past 8 KB the result's buffer takes a slot on the stack, just above the arguments.
      "string.format(('x'):rep(9000) .. '%s')",
      "string.format(('x'):rep(9000) .. '%d')",
      "string.format(('x'):rep(9000) .. '%q')",
      "string.format('%s%5s', ('x'):rep(9000))",
      "string.format(('x'):rep(9000) .. '%s%s', 1)",
      "os.date('!%Y-%m-%d %H:%M:%S', 0), os.date('!*t', 3600).hour, os.date('%%'), os.date('!%Ec|%Oy', 0)",
      "os.date('!x\\0y', 86400), os.date('', 0), os.date('!', 0), os.date('!*t ', 0)",
      "(function() local t = os.date('!*t', 1e9) return t.year, t.month, t.day, t.yday, t.wday, t.isdst "
      "end)()",
      "os.date('*t').isdst ~= nil, os.date(nil, 0) == os.date('%c', 0), type(os.date())",
      "os.date('!%Q', 0)",
      "os.date('%E', 0)",
      "os.date('!%Ez', 0)",
      "os.date('%c', 1 << 62)",
      "os.date('%c', 1.5)",
      "os.date({})",
      "os.date(('%d'):rep(30000), 0):len()",
      "os.date(('x'):rep(9000) .. '%Q', 0)",
      "('a.b.a'):find('.', 1, true), ('aaab'):find('aab', 1, true), ('abc'):find('', 4, true)",
      "(('ab'):rep(9000) .. 'c'):find(('ab'):rep(50) .. 'c', 1, true)",
      "('hello'):gsub('l', '%0%%%0'), ('hello'):gsub('(l)(l)', '%2-%1'), ('abc'):gsub('', '%%')",
      "('hello'):gsub('l', 'x%')",
      "('hello'):gsub('l', '%2')",
      "('hello'):gsub('(l)', '%1\\0%1'), ('abc'):gsub('b', ('xy'):rep(5000)):len()",
      "(('x'):rep(9000) .. 'y'):gsub('.', {y = {}})",
      "table.concat({('x'):rep(9000), 'a', {}})",
  });
}

TEST_F(QelStoppableTest, TonumberAnswersAsTheLibrary) {
  // Strings of more than 4 KB are read by the runner itself: long runs of spaces, zeros and digits.
  const std::string l = "('0'):rep(5000)", s = "(' '):rep(5000)", d = "('7'):rep(5000)",
                    x = "('f'):rep(5000)";
  expectAnswersOfTheLibrary({
      "tonumber('0x10'), tonumber('  0x1p4  '), tonumber('1e'), tonumber('.5'), tonumber('5.'), "
      "tonumber('0x')",
      "tonumber('- 1'), tonumber('-0x10'), tonumber('inf'), tonumber('nan'), tonumber('1 2'), "
      "tonumber('1\\0')",
      "tonumber('9223372036854775807'), tonumber('9223372036854775808'), tonumber('-9223372036854775808')",
      "tonumber('0xffffffffffffffffff'), tonumber('1e400'), tonumber('-1e400'), tonumber('00012')",
      "tonumber('0x1.8'), tonumber('1E-2'), tonumber('0X1P-1'), tonumber('0x.8'), tonumber('.'), "
      "tonumber('0xp1')",
      "tonumber(5), tonumber(nil), tonumber(true), tonumber({})",
      "tonumber()",
      "tonumber('z', 36), tonumber('  10  ', 16), tonumber('1e1', 10), tonumber(' -ff', 16), tonumber('8', "
      "8)",
      "tonumber('7fffffffffffffff', 16), tonumber('ffffffffffffffffff', 16), tonumber('\\t12\\n', 3)",
      "tonumber('', 10), tonumber('-', 10), tonumber('1 1', 2), tonumber('+1', 2), tonumber('1é', 36)",
      "tonumber('10', 99)",
      "tonumber(10, 16)",
      "tonumber('10', 2.5)",
      "math.type(tonumber(" + s + " .. '12' .. " + s + ")), tonumber(" + s + " .. '1.5e3' .. " + s + ")",
      "tonumber(" + s + " .. '1 2'), tonumber(" + s + " .. '1\\0'), tonumber('1' .. " + s + " .. 'x')",
      "math.type(tonumber(" + l + " .. '42')), tonumber('-' .. " + l + " .. '42'), tonumber(" + l + ")",
      "tonumber(" + l + " .. '9223372036854775808'), tonumber('-' .. " + l + " .. '9223372036854775808')",
      "tonumber(" + d + "), tonumber('-' .. " + d + "), tonumber('0.' .. " + d + "), tonumber(" + d +
          " .. 'e-5000')",
      "tonumber('0.' .. " + l + " .. '1'), tonumber(" + l + " .. '.' .. " + l + " .. '25e+2')",
      "tonumber('1' .. " + l + " .. 'e-5000'), tonumber('1.' .. " + l + " .. '1'), tonumber('9.' .. " + d +
          ")",
      "tonumber('0.' .. " + l + " .. '1e5000'), tonumber('1e' .. " + l + " .. '1'), tonumber('1e-' .. " + d +
          ")",
      "tonumber('1' .. " + l + "), tonumber('4.9406564584124654' .. ('0'):rep(4980) .. '1e-324')",
      "tonumber('2.4703282292062327' .. " + l + " .. 'e-324'), tonumber('2.4703282292062327' .. " + l +
          " .. '1e-324')",
      "tonumber('0x' .. " + x + "), tonumber('-0x' .. " + l + " .. '1f'), tonumber('0X' .. " + x +
          " .. '.8p-2')",
      "tonumber('0x1.' .. " + l + " .. '1p0'), tonumber('0x.' .. " + l + " .. '1p20000'), tonumber('0x' .. " +
          x + " .. 'p-20000')",
      "tonumber('0x' .. " + l + "), tonumber('0x' .. " + l + " .. 'p1'), tonumber('0x1p' .. " + d + ")",
      // Halfway between two doubles (1 + 2^-53): a nonzero digit far behind decides that it rounds up.
      "tonumber('1.00000000000000011102230246251565404236316680908203125' .. " + l +
          ") - 1, "
          "tonumber('1.00000000000000011102230246251565404236316680908203125' .. " +
          l + " .. '1') - 1",
      "tonumber('0x1.00000000000008' .. " + l + ") - 1, tonumber('0x1.00000000000008' .. " + l +
          " .. '1p0') - 1",
      "tonumber(" + d + " .. 'x'), tonumber(" + d + " .. 'e'), tonumber(" + d +
          " .. '.e1'), tonumber('.' .. " + l + " .. 'e')",
      "tonumber('0x' .. " + x + " .. 'g'), tonumber('0x' .. " + x + " .. 'p'), tonumber('--' .. " + d +
          "), tonumber('+' .. " + d + ")",
      "tonumber(('1'):rep(5000), 2), tonumber(" + s + " .. 'zz' .. " + s +
          ", 36), tonumber(('1'):rep(5000) .. '2', 2)",
  });
}

TEST_F(QelStoppableTest, PackAnswersAsTheLibrary) {
  expectAnswersOfTheLibrary({
      "string.pack('<i4>i4=i2bBhHlLjJT', 1, 2, 3, -4, 250, -6, 7, -8, 9, -10, 11, 12):byte(1, -1)",
      "string.unpack('<i4>i4=i2bBhHlLjJT', string.pack('<i4>i4=i2bBhHlLjJT', 1, 2, 3, -4, 250, -6, 7, -8, 9, "
      "-10, "
      "11, 12))",
      "string.unpack('<i3 >I5 i16 I9', string.pack('<i3 >I5 i16 I9', -5, 1 << 33, -7, 1 << 60))",
      "string.pack('>i16', -2):byte(1, -1)",
      "string.unpack('>f<d=n', string.pack('>f<d=n', 1.5, -2.25, 1/3))",
      "string.pack('!4 b i4 !2 b i8 X i2 b Xi8', 1, 2, 3, 4, 5):byte(1, -1)",
      "string.unpack('!4 b i4 !2 b i8 X i2 b Xi8', string.pack('!4 b i4 !2 b i8 X i2 b Xi8', 1, 2, 3, 4, 5))",
      "string.pack('c5 z s1 s x', 'ab', 'cd', 'ef', 'gh'):byte(1, -1)",
      "string.unpack('c5 z s1 s x', string.pack('c5 z s1 s x', 'ab', 'cd', 'ef', 'gh'))",
      "string.unpack('z', 'abc'), string.unpack('i2', 'abcdef', 3), string.unpack('i2', 'abcdef', -2)",
      "string.unpack('b', 'a', 2), string.unpack('', ''), string.unpack('c0', '')",
      "string.packsize('i4 !8 d c3 Xi8 x'), string.packsize(''), string.packsize('!16 b d')",
      "#string.pack('c70000', 'x'), #string.pack(('x'):rep(70000)), #string.pack(('  i'):rep(3000), 1, 2, 3)",
      "string.pack('c')",
      "string.pack('i17')",
      "string.pack('i0')",
      "string.pack('!3i')",
      "string.pack('Xc1')",
      "string.pack('X')",
      "string.pack('X<')",
      "string.pack('y')",
      "string.pack('i1', 200)",
      "string.pack('I1', 300)",
      "string.pack('i1', -129)",
      "string.pack('c2', 'abc')",
      "string.pack('s1', ('x'):rep(300))",
      "string.pack('z', 'a\\0b')",
      "string.pack('i', 1.5)",
      "string.pack('d', 'x')",
      "string.pack('i4')",
      "string.pack('s' .. ('x'):rep(9000) .. 'ii', ('y'):rep(9000), 1)",
      "string.packsize('s')",
      "string.packsize('z')",
      "string.packsize(('c2000000000'):rep(2))",
      "string.packsize('c99999999999')",
      "string.unpack('i4', 'abc')",
      "string.unpack('i4', 'abcd', 6)",
      "string.unpack('i4', 'abcd', 0)",
      "string.unpack('i9', ('\\255'):rep(9)), string.unpack('>i9', '\\0' .. ('\\1'):rep(8))",
      "string.unpack('i9', ('\\1'):rep(9))",
      "string.unpack('s1', '\\5abc')",
      "string.unpack(('b'):rep(1000001), ('x'):rep(1000001))",
  });
}

TEST_F(QelStoppableTest, Utf8AnswersAsTheLibrary) {
  expectAnswersOfTheLibrary({
      "utf8.len('aé中𝄞'), utf8.len('\\xff'), utf8.len('abc', 4), utf8.len('abc', -1), utf8.len('', 1, -5)",
      "utf8.len('aé中', 2, 2), utf8.len('aé中', 3), utf8.len('\\xc0\\x80'), utf8.len('\\xf4\\x90\\x80\\x80')",
      "utf8.len('abc', 5)",
      "utf8.len('abc', 1, 4)",
      "utf8.len(('中'):rep(30000)), utf8.len(('a'):rep(70000) .. '\\x80')",
      "utf8.offset('a€b', -1), utf8.offset('a€b', 0, 3), utf8.offset('a€b', 3), utf8.offset('a€b', 4)",
      "utf8.offset('abc', 0, 2), utf8.offset('abc', 5), utf8.offset('abc', -5), utf8.offset('', 1)",
      "utf8.offset(('中'):rep(30000), 29999), utf8.offset(('中'):rep(30000), -30000)",
      "utf8.offset('abc', 1, 5)",
      "utf8.offset('\\x80', 1)",
      "utf8.offset('a\\x80', 1, 2)",
      "(function() local t = {} for p, c in utf8.codes('aé中') do t[#t + 1] = p .. ':' .. c end "
      "return table.concat(t, ' ') end)()",
      "(function() for p, c in utf8.codes('a\\x80') do end end)()",
      "(function() for p, c in utf8.codes('\\xe4\\xb8') do end end)()",
      "(function() local f, s = utf8.codes('a' .. ('\\x80'):rep(70000) .. 'b') return f(s, 1) end)()",
      "(function() local f, s = utf8.codes('ab') return f(s, 2), f(s, 5) end)()",
      "select('#', utf8.codes(5)), select(2, utf8.codes(5))",
      "utf8.codes()",
  });
}

TEST_F(QelStoppableTest, LoadingAnswersAsTheLibrary) {
  qmtest::writeFile(scripts / "mod.lua", "\xEF\xBB\xBF#!/usr/bin/lua\nlocal n = ... return {name = n}\n");
  qmtest::writeFile(scripts / "bad.lua", "#x\n\nreturn +\n");
  qmtest::writeFile(scripts / "partial.lua", "\xEF\xBBreturn 1");
  qmtest::writeFile(scripts / "long.lua", "#" + std::string(70000, 'x') + "\nreturn 7");
  const std::string dir = scripts.str();
  const std::string path = "'" + dir + "/?.lua;" + dir + "/?/init.lua'";
  expectAnswersOfTheLibrary({
      "load('return 1 + 1')(), load('return ...', 'c', 't', {})(5), load('return x', 'c', 't', {x = 3})()",
      "load('return +'), load('x ='), load('return 1', '=name')(), pcall(load('error(1)', '@file'))",
      "load('\\27Lua'), load('return 1', 'c', 'b'), load('return 1', 'c', 5)",
      "load('return 1', 'c', {})",
      "load('return 1', 'c', 'b')",
      "load(function() return nil end, 'c', 'xb')",
      "load(function() return nil end)(), select('#', load(function() return nil end)())",
      "(function() local p = {'return ', '4', '2'} local i = 0 return load(function() i = i + 1 return p[i] "
      "end)() end)()",
      "(function() local n = 0 return load(function() n = n + 1 return n < 3 and 5 or nil end, 'f') end)()",
      "load(function() return {} end)",
      "load(function() error('reader') end)",
      "load(5)",
      "load()",
      "load(('x = 1 '):rep(20000) .. 'return x')(), load('return ' .. ('a and '):rep(2000) .. '7')()",
      "load('return \"' .. ('x'):rep(70000) .. '\"')():len()",
      "loadfile('" + dir + "/mod.lua')('m').name, loadfile('" + dir + "/partial.lua')",
      "loadfile('" + dir + "/bad.lua')",
      "loadfile('" + dir + "/missing.lua')",
      "loadfile('" + dir + "/mod.lua', 'b')",
      "loadfile('" + dir + "')",
      "loadfile('" + dir + "/long.lua')(), loadfile('" + dir + "/mod.lua', 'bt')('b').name",
      "loadfile('" + dir + "/mod.lua', 't', {})('e').name",
      "dofile('" + dir + "/long.lua'), select('#', dofile('" + dir + "/mod.lua'))",
      "dofile('" + dir + "/bad.lua')",
      "package.searchpath('mod', " + path + "), package.searchpath('a.b', 'x/?.lua;y/?/z.lua')",
      "package.searchpath('a.b', 'x/?.lua', '.', '_'), package.searchpath('a.b', ''), "
      "package.searchpath('a..b', ';;?;;', '', '/')",
      "package.searchpath('a', (';'):rep(70000) .. 'x/?.?.' .. ('?'):rep(3))",
      "package.searchpath()",
      "(function() package.path = " + path +
          " return require('mod').name, require('mod') == require('mod') "
          "end)()",
      "(function() package.path = " + path + " return require('bad') end)()",
      "(function() package.path = 5 return package.searchers[2]('nothing') end)()",
      "(function() package.path = {} return package.searchers[2]('nothing') end)()",
      "pcall(), select('#', pcall(function(...) return ... end, 1, nil, 3)), pcall(error, {})",
      "xpcall(error, function(m) return 'handled ' .. tostring(m) end, 'x'), xpcall(print)",
      "coroutine.wrap(function() return pcall(coroutine.yield, 5) end)()",
      "(function() local co = coroutine.wrap(function() local ok, e = pcall(function() coroutine.yield(1) "
      "error('after') end) return ok, e end) return co(), co() end)()",
  });
}

TEST_F(QelStoppableTest, FileReadsAndWritesAnswerAsTheLibrary) {
  qmtest::writeFile(scripts / "in.txt",
                    "one\ntwo\r\n\n 42 0x1F -.5e1 1e 0x.8p1\n" + std::string(70000, 'z') + "\nend");
  qmtest::writeFile(scripts / "numbers.txt",
                    std::string(70000, ' ') + "12 " + std::string(300, '1') + " nan");
  const std::string in = "'" + (scripts / "in.txt").string() + "'";
  const std::string out = "'" + (scripts / "out.txt").string() + "'";
  const std::string numbers = "'" + (scripts / "numbers.txt").string() + "'";
  const std::string missing = "'" + (scripts / "missing.txt").string() + "'";
  const std::string lines =
      "(function(...) local t = {} for a, b in ... do t[#t + 1] = tostring(a) .. ':' .. "
      "tostring(b):sub(1, 5) end return #t, table.concat(t, ' ') end)";
  std::string manyFormats;
  for (int i = 0; i < 251; ++i)
    manyFormats += ", 1";
  expectAnswersOfTheLibrary({
      "(function() local f = io.open(" + in +
          ") return f:read(), f:read('L'), f:read('l', 'L'), f:read('n', 'n', "
          "'*n', 'n', 'n') end)()",
      "(function() local f = io.open(" + in +
          ") f:read('a') return f:read(0), f:read('a'), f:read('l'), "
          "f:read(5), f:read('n') end)()",
      "(function() local f = io.open(" + in + ") return f:read(2, 0, 3), #f:read(100000), f:read(1) end)()",
      "(function() local f = io.open(" + in +
          ") f:read(50) return #f:read('l'), f:read('L'), f:read('L') end)()",
      "(function() local f = io.open(" + numbers + ") return f:read('n', 'n', 'n') end)()",
      "(function() local f = io.open(" + in + ") return f:read('x') end)()",
      "(function() local f = io.open(" + in + ") return f:read({}) end)()",
      "(function() local f = io.open(" + in + ") f:close() return f:read() end)()",
      "(function() local f = io.open(" + in +
          ") io.input(f) local r = {io.read('l', 'l')} io.input(io.stdin) "
          "return table.unpack(r) end)()",
      "(function() io.input(" + in + ") io.close(io.input()) return io.read() end)()",
      "(function() io.input(io.stdin) return io.open(" + in + "):read(-1) end)()",
      lines + "(io.lines(" + in + "))",
      lines + "(io.lines(" + in + ", 1, 'l'))",
      lines + "(io.open(" + in + "):lines('n'))",
      "(function() for l in io.lines(" + in + ", 'x') do end end)()",
      "io.lines(" + missing + ")",
      "io.lines(" + in + manyFormats + ")",
      "(function() local f = io.open(" + in + ") local it = f:lines() f:close() return it() end)()",
      "(function() local it = io.lines(" + in + ") for l in it do end return it() end)()",
      "(function() local f = io.open(" + out +
          ", 'w') local r = f:write('a', 1, 2.5, ' ', math.mininteger, 1e100) "
          "f:close() return r == f, io.open(" +
          out + "):read('a') end)()",
      "(function() local f = io.open(" + out +
          ", 'w') io.output(f) local r = io.write('x', 7) io.close() "
          "io.output(io.stdout) return r == f, io.open(" +
          out + "):read('a') end)()",
      "io.open(" + out + ", 'w'):write({})",
      "io.open('/dev/full', 'w'):write(('x'):rep(3 << 20), 5, 'y')",
      "(function() local f = io.open(" + out + ", 'w') f:close() return f:write('x') end)()",
      "(function() io.output(" + out +
          ") io.close() local ok, e = pcall(io.write, 'x') io.output(io.stdout) "
          "return ok, e end)()",
  });
}

// Nothing of a script runs after its kill, whatever catches it, on the same line or later.
TEST_F(QelStoppableTest, ACaughtKillEndsTheScript) {
  const std::string loop = "function() while true do end end";
  const std::string catches[] = {
      "pcall(" + loop + ")",
      "xpcall(" + loop + ", function(e) qel.write('handled') return e end)",
      "coroutine.resume(coroutine.create(" + loop + "))",
      "pcall(coroutine.wrap(" + loop + "))",
      "load(function() while true do end end)",
      "pcall(pcall, pcall, " + loop + ")",
      "coroutine.wrap(function() return pcall(" + loop + ") end)()",
      "pcall(table.sort, setmetatable({}, {__len = function() return 100 end, __index = function() "
      "while true do end end, __newindex = rawset}))",
  };
  for (std::string const& caught : catches) {
    SCOPED_TRACE(caught);
    QelLua lua(*state);
    CountingOutputStream out;
    MemoryOutputStream text;
    out.setTarget(&text);
    lua.setOutputStream(out);
    const std::string script = "local qel = require 'qel'\nqel.write('r')\n" + caught +
                               " qel.write('same line')\nqel.write('next line')\nwhile true do end";
    ASSERT_EQ(lua.load(writeScript(script).c_str()), 0);
    lua.run(true);
    for (int i = 0; i < 500 && out.total() == 0; ++i)
      std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(50ms);
    lua.kill();
    ASSERT_TRUE(lua.waitUntilEnded(5s));
    EXPECT_EQ(lua.result(), 2);
    EXPECT_STREQ(lua.errorMessage(), "Script Killed");
    out.flush();
    EXPECT_EQ(text.view(), "r");
  }
}

} // namespace
