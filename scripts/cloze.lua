--[[
@qel Makes a cloze exercise from the first open document: the words of
	one HSK level in its first sentences that hold such words become
	numbered gaps, and the answers follow the exercise. Change LEVEL and
	SENTENCES at the top of the script to suit. With no document open,
	asks for a file.
]]
local qel = require "qel"

local LEVEL = 4      -- HSK level of the words to leave out
local SENTENCES = 20 -- sentences in the exercise

local d = qel.openDocuments()[1]
if not d then
  local path = qel.askUserForFileToOpen({title = "Choose a document for the exercise"})
  if not path then
    print("No document for the exercise.")
    return
  end
  d = qel.Document(path, {process = false})
end

local level = qel.hskLevel(LEVEL)
local answers = {}
local count = 0
print(string.format("Fill in the HSK %d words.", LEVEL))
print()
for _, sentence in d:findSentencesContaining(level) do
  count = count + 1
  local words = {}
  for w in sentence:words() do
    if level:contains(w) then words[#words + 1] = w end
  end
  print(string.format("%d. %s", count, sentence:clozeText(words, "(" .. count .. ".%n) ____")))
  answers[#answers + 1] = string.format("%d. %s", count, table.concat(words, ", "))
  if count == SENTENCES then break end
end
if count == 0 then print("The document holds no HSK " .. LEVEL .. " words.") end
print()
print("Answers")
for _, a in ipairs(answers) do print(a) end
