-- Catches every error, the kill included, and goes on.
local caught = 0
while true do
  local ok = pcall(function()
    local x = 0
    while true do x = x + 1 end
  end)
  if not ok then caught = caught + 1 end
end
