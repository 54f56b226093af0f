-- Each coroutine loops for ever; resume catches its error, and the loop makes another.
while true do
  coroutine.resume(coroutine.create(function()
    while true do end
  end))
end
