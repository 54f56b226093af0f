-- What a script finds in its environment; each line is checked by the test.
local qel = require "qel"
local lfs = require "lfs"
print("qel", type(qel), type(qel.WordList), type(qel.print))
print("lfs", type(lfs), type(lfs.currentdir), type(_G.lfs))
print("debug", type(debug), type(package.loaded.debug))
print("path", package.path)
