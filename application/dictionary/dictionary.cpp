#include "dictionary/dictionary.h"

DictionaryEntry::~DictionaryEntry() = default;
DictionaryItem::~DictionaryItem() = default;
Dictionary::~Dictionary() = default;
