// qel.Document: a document that a script opens itself (qel.Document(path [, options])) or one of the
// program's open documents (qel.openDocuments), segmented and counted, with its lines, word statistics
// and the places where given words occur. A value is a full userdata of a Document pointer and an owned
// flag: the script's own documents are destroyed when collected, the program's never.
#pragma once

struct lua_State;
class Document;

namespace qelLua {

// Builds the "qel.Document" metatable and pushes what scripts see of it, qel.Document: its entries but
// __gc, with a metatable whose __call is the constructor.
int luaopen_document(lua_State* L);
// qel.openDocuments(): the program's open documents, not owned, in the program's order.
int openDocuments(lua_State* L);

// Pushes a qel.Document over document.
void pushDocument(lua_State* L, Document* document, bool owned);
// The document of the qel.Document at index; Lua's argument error for any other value.
Document& checkDocument(lua_State* L, int index);
// Raises "Document:<method> - document has not started processing" or "... has not finished processing"
// (or a processing failure of the script's own document) unless the document's statistics are ready.
void checkProcessed(lua_State* L, Document& document, const char* method);
// The file that holds the document's text, as a reader of the script's own would open it.
const char* documentFile(Document& document);

} // namespace qelLua
