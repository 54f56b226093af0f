-- print and write through the module and the replaced global
local qel = require "qel"
print(1, nil, true)
qel.write("a")
qel.print("b", 2.5)
write = qel.write
write("", "x", "\n")
local t = setmetatable({}, {__tostring = function() return "table text" end})
print(t)
