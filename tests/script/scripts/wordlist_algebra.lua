-- Word-list algebra; each line of output is checked by the test.
local qel = require "qel"

local a = qel.WordList()
for _, w in ipairs{"我", "你", "中国"} do a:addWord(w) end
local b = qel.WordList()
for _, w in ipairs{"你", "好"} do b:addWord(w) end

print("sizes", #a, #b, #(a + b), #(a - b), #(b - a), #(a - a))
print("sum", (a + b):contains("好"), (a + b):contains("我"), (a - b):contains("你"))
print("self", a:addFromWordList(a) == a, #a)
print("added", #a:addFromWordList(b), #b)
print("prefix", a:contains("中"), a:contains("中国"))

local words = {}
for w in (a - b):words() do words[#words + 1] = w end
table.sort(words)
print("words", table.concat(words, ","))

a:addWord(12)
print("numbers", a:contains(12), a:contains("12"), a:contains(1))
