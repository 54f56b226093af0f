--[[
@qel Counts the words of each open document by HSK and TOCFL level:
	how many different words of each level it uses, how often they occur,
	and what share of the text they make up. A word counts at the lowest
	level it is listed at. With no document open, asks for a file.
]]
local qel = require "qel"

-- The open documents, processed; or the file the reader chooses.
local function documents()
  local open = qel.openDocuments()
  if #open == 0 then
    local path = qel.askUserForFileToOpen({title = "Choose a document to count"})
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

local function report(d, system, key, levels)
  local words, occurrences, total = {}, {}, 0
  for _, s in ipairs(d:allStatistics()) do
    local level = s[key] <= levels and s[key] or "none"
    words[level] = (words[level] or 0) + 1
    occurrences[level] = (occurrences[level] or 0) + s.frequency
    total = total + s.frequency
  end
  print(string.format("%-10s %8s %12s %8s", system .. " level", "words", "occurrences", "share"))
  local rows = {}
  for level = 1, levels do rows[#rows + 1] = level end
  rows[#rows + 1] = "none"
  local allWords = 0
  for _, level in ipairs(rows) do
    local n, f = words[level] or 0, occurrences[level] or 0
    allWords = allWords + n
    print(string.format("%-10s %8d %12d %7.1f%%", level, n, f, total > 0 and f * 100 / total or 0))
  end
  print(string.format("%-10s %8d %12d %7.1f%%", "total", allWords, total, total > 0 and 100 or 0))
  print()
end

local open = documents()
if #open == 0 then print("No document to count.") end
for _, d in ipairs(open) do
  print("Words by level in " .. d:name())
  print()
  report(d, "HSK", "hskLevel", 6)
  report(d, "TOCFL", "tocflLevel", 5)
end
