local ok, message = pcall(os.exit, 3)
print(ok, message)
os.exit(true)
print("not reached")
