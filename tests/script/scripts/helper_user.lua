local helper = require "quillmerehelper"
print(helper.greeting())
