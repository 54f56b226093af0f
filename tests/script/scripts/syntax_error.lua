local a = 1
local b = 2
local c = = 3
