--[[
@qel Lists the words of each open document that are not in your current
	word list, most frequent first, with their HSK level and first English
	definition: the words worth learning next. With no document open, asks
	for a file.
]]
local qel = require "qel"

local LIMIT = 200 -- words listed per document

local function documents()
  local open = qel.openDocuments()
  if #open == 0 then
    local path = qel.askUserForFileToOpen({title = "Choose a document"})
    if path then open = {qel.Document(path)} end
  end
  for _, d in ipairs(open) do
    if not d:hasFinishedProcessing() then
      d:startProcessing()
      d:waitUntilProcessed()
    end
  end
  return open
end

local dictionary = qel.dictionary()

local function firstDefinition(word)
  local entry = dictionary:definitions(word)[1]
  if not entry then return "" end
  return entry.pinyin .. "  " .. (entry.english:gsub("/", "; "))
end

local open = documents()
if #open == 0 then print("No document to list.") end
for _, d in ipairs(open) do
  local unknown = d:unknownStatistics({wordList = qel.knownWords()})
  print(string.format("%d unknown words in %s; the %d most frequent:", #unknown, d:name(),
                      math.min(LIMIT, #unknown)))
  print()
  for i = 1, math.min(LIMIT, #unknown) do
    local s = unknown[i]
    local level = s.hskLevel == 999 and "-" or tostring(s.hskLevel)
    print(string.format("%4d  %s\t%d\tHSK %s\t%s", i, s.word, s.frequency, level, firstDefinition(s.word)))
  end
  print()
end
