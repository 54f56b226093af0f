// The constructor, processing and lines of qel.Document. A script's own document is opened, converted and
// (by default) processed before the constructor returns; every failure on the way becomes one Lua error
// naming the file. Processing runs on a worker while the script's thread waits for it, checking for kill.
// Lines are read through a reader of the iterator's own on the document's file.
#include "script/qeldocument.h"

#include "documents/documentprocessor.h"
#include "encoding/encodingdetector.h"
#include "script/luastate.h"
#include "script/qeldocumentfind.h"
#include "script/qeldocumentlines.h"
#include "script/qeldocumentstatistics.h"
#include "script/qelscriptdocument.h"
#include "script/qelstate.h"
#include "script/qelsupport.h"
#include "script/qeltextdata.h"
#include "script/qelthreaddata.h"
#include "utils/log.h"

#include <lua.hpp>

#include <chrono>
#include <string>
#include <sys/stat.h>
#include <thread>

namespace {

using qelLua::checkDocument;
using qelLua::guarded;

const char* const METATABLE = "qel.Document";
const char* const DETECTOR = "qel.EncodingDetector";
const char* const LINES = "qel.DocumentLines";

struct DocumentRef {
  Document* document;
  bool owned;
  uint64_t charged; // bytes charged to the script's memory for its own document
};

// What a script's own open document holds, roughly: its statistics' tables (about a mebibyte however short
// the text) and what grows with its text. Charged so that documents made in a loop are collected in time,
// and count towards the script's bound.
uint64_t documentBytes(const char* path) {
  struct stat st;
  return (uint64_t(1) << 20) + (::stat(path, &st) == 0 ? uint64_t(st.st_size) / 4 : 0);
}

template <typename T> int destroy(lua_State* L) {
  auto** object = static_cast<T**>(lua_touserdata(L, 1));
  delete *object;
  *object = nullptr;
  return 0;
}

// A userdata owning object, deleted when collected.
template <typename T> void pushOwned(lua_State* L, T* object, const char* name) {
  auto** slot = static_cast<T**>(lua_newuserdata(L, sizeof(T*)));
  *slot = object;
  if (luaL_newmetatable(L, name)) {
    lua_pushcfunction(L, destroy<T>);
    lua_setfield(L, -2, "__gc");
  }
  lua_setmetatable(L, -2);
}

// The state's detector, made on first use: it reads the common-character list once per run.
EncodingDetector const& detector(lua_State* L) {
  if (lua_getfield(L, LUA_REGISTRYINDEX, DETECTOR) == LUA_TUSERDATA) {
    auto* found = *static_cast<EncodingDetector**>(lua_touserdata(L, -1));
    lua_pop(L, 1);
    // Collected as the state closes, while a finalizer of the script's may still open a document.
    if (!found) luaL_error(L, "qel: documents can no longer be opened");
    return *found;
  }
  lua_pop(L, 1);
  pushOwned<EncodingDetector>(L, nullptr, DETECTOR);
  auto** slot = static_cast<EncodingDetector**>(lua_touserdata(L, -1));
  *slot = guarded(L, [] { return new EncodingDetector(); });
  lua_setfield(L, LUA_REGISTRYINDEX, DETECTOR);
  return **slot;
}

bool processingFailed(Document& document) {
  auto* own = dynamic_cast<qelLua::ScriptDocument*>(&document);
  return own && own->processingFailed();
}

[[noreturn]] void raiseFailed(lua_State* L, Document& document, const char* method) {
  luaL_error(L, "Document:%s - error processing file '%s'", method, document.filename().c_str());
  __builtin_unreachable();
}

void processNow(lua_State* L, DocumentProcessor& processor);

int construct(lua_State* L) {
  luaL_getmetatable(L, METATABLE);
  lua_getfield(L, -1, "__metatable"); // qel.Document, what scripts see
  const bool isType = lua_rawequal(L, 1, -1);
  lua_pop(L, 2);
  if (!isType) return luaL_error(L, "Document() - invalid metatable");
  luaL_checktype(L, 2, LUA_TSTRING);
  if (lua_gettop(L) > 3) return luaL_error(L, "Document() - invalid arguments");
  bool process = true;
  if (!lua_isnoneornil(L, 3)) {
    luaL_checktype(L, 3, LUA_TTABLE);
    if (lua_getfield(L, 3, "process") != LUA_TNIL) process = lua_toboolean(L, -1);
    lua_pop(L, 1);
  }
  const char* path = lua_tostring(L, 2);
  EncodingDetector const& encodings = detector(L);
  SegmentEngine const& engine = qelLua::qelState(L).segmentEngine();
  qelLua::pushDocument(L, nullptr, true); // collected empty when the document cannot be made
  auto* ref = static_cast<DocumentRef*>(lua_touserdata(L, -1));
  const uint64_t bytes = documentBytes(path);
  qelLua::chargeMemory(L, bytes);
  ref->charged = bytes;
  bool opened = false;
  try {
    // A large file takes long to convert: a kill stops it, and the partial copy goes.
    auto document = std::make_unique<qelLua::ScriptDocument>(path, encodings, engine,
                                                             [L] { return qelLua::killRequested(L); });
    if (process) processNow(L, *document->processor()); // a kill unwinds through here, deleting the document
    opened = !document->processingFailed();
    if (opened) ref->document = document.release();
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("ERR", "Error opening a script's document: ", e);
  } catch (std::exception const& e) {
    Log::print("ERR", "Error opening a script's document '%s': %s\n", path, e.what());
  }
  qelLua::checkKill(L); // a conversion stopped by the kill is no error of the file's
  if (!opened) return luaL_error(L, "Document() - error opening file '%s'", path);
  return 1;
}

int collect(lua_State* L) {
  auto* ref = static_cast<DocumentRef*>(luaL_checkudata(L, 1, METATABLE));
  if (ref->owned) delete ref->document;
  ref->document = nullptr;
  LuaState::release(L, ref->charged);
  ref->charged = 0;
  return 0;
}

int name(lua_State* L) {
  Text const& title = checkDocument(L, 1).title();
  lua_pushlstring(L, title.c_str(), title.length());
  return 1;
}

int hasFinishedProcessing(lua_State* L) {
  DocumentProcessor* processor = checkDocument(L, 1).processor();
  lua_pushboolean(L, processor->processingStarted() && processor->finished());
  return 1;
}

// Waits for a started run, raising "Script Killed" as soon as the script is stopped; false when the run
// will never finish (cancelled, or its thread could not start).
bool waitForRun(lua_State* L, DocumentProcessor& processor) {
  for (;;) {
    qelLua::checkKill(L);
    if (!processor.processingStarted()) return false;
    if (processor.finished()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// Counts on a worker while the script's thread waits, so that a script stopped meanwhile ends at once even
// when its document is long; inline when no worker can start. Only a document's first begin has effect.
void processNow(lua_State* L, DocumentProcessor& processor) {
  processor.beginProcessing(true);
  if (!processor.processingStarted()) processor.beginProcessing(false);
  waitForRun(L, processor);
}

int process(lua_State* L) {
  Document& document = checkDocument(L, 1);
  guarded(L, [&] {
    processNow(L, *document.processor());
    return 0;
  });
  if (processingFailed(document)) raiseFailed(L, document, "process");
  return 0;
}

int startProcessing(lua_State* L) {
  Document& document = checkDocument(L, 1);
  guarded(L, [&] {
    document.processor()->beginProcessing(true);
    return 0;
  });
  return 0;
}

int waitUntilProcessed(lua_State* L) {
  Document& document = checkDocument(L, 1);
  DocumentProcessor* processor = document.processor();
  if (!processor->processingStarted() || !waitForRun(L, *processor))
    return luaL_error(L, "Document:waitUntilProcessed - document has not started processing");
  if (processingFailed(document)) raiseFailed(L, document, "waitUntilProcessed");
  return 0;
}

int nextLine(lua_State* L) {
  auto* lines = *static_cast<qelLua::DocumentLines**>(lua_touserdata(L, lua_upvalueindex(1)));
  if (!lines || !guarded(L, [&] { return lines->next(); })) return 0;
  const Span line = lua_toboolean(L, lua_upvalueindex(2)) ? lines->line() : lines->lineWithoutEnd();
  // Copied out first: making the text may run a finalizer of the script's that calls this iterator again,
  // which moves the line buffer.
  const std::string copy(line.view());
  qelLua::pushText(L, copy.data(), copy.size());
  return 1;
}

int lines(lua_State* L) {
  Document& document = checkDocument(L, 1);
  const bool keepNewlines = lua_toboolean(L, 2);
  lua_settop(L, 1);
  pushOwned<qelLua::DocumentLines>(L, nullptr, LINES);
  auto** slot = static_cast<qelLua::DocumentLines**>(lua_touserdata(L, -1));
  *slot = guarded(L, [&] { return new qelLua::DocumentLines(qelLua::documentFile(document)); });
  lua_pushboolean(L, keepNewlines);
  lua_pushvalue(L, 1); // the document (and a converted copy) lives as long as the loop
  lua_pushcclosure(L, nextLine, 3);
  return 1;
}

const luaL_Reg methods[] = {
    {"__gc", collect},
    {"__tostring", name},
    {"hasFinishedProcessing", hasFinishedProcessing},
    {"process", process},
    {"startProcessing", startProcessing},
    {"waitUntilProcessed", waitUntilProcessed},
    {"name", name},
    {"lines", lines},
    {"knownWords", qelLua::documentKnownWords},
    {"knownStatistics", qelLua::documentKnownStatistics},
    {"unknownWords", qelLua::documentUnknownWords},
    {"unknownStatistics", qelLua::documentUnknownStatistics},
    {"allWords", qelLua::documentAllWords},
    {"allStatistics", qelLua::documentAllStatistics},
    {"findWord", qelLua::documentFindWord},
    {"findLinesContaining", qelLua::documentFindLinesContaining},
    {"findSentencesContaining", qelLua::documentFindSentencesContaining},
    {nullptr, nullptr},
};

// Pushes the metatable, built on first use. Scripts see qel.Document: its entries without __gc, whose own
// metatable's __call is the constructor.
void pushMetatable(lua_State* L) {
  if (!qelLua::newMetatable(L, METATABLE, methods)) return;
  lua_getfield(L, -1, "__metatable");
  lua_createtable(L, 0, 1);
  lua_pushcfunction(L, construct);
  lua_setfield(L, -2, "__call");
  lua_setmetatable(L, -2);
  lua_pop(L, 1);
}

} // namespace

namespace qelLua {

int luaopen_document(lua_State* L) {
  pushMetatable(L);
  lua_getfield(L, -1, "__metatable");
  lua_remove(L, -2);
  return 1;
}

int openDocuments(lua_State* L) {
  std::vector<Document*> const& documents = qelState(L).openDocuments();
  lua_createtable(L, int(documents.size()), 0);
  for (size_t i = 0; i < documents.size(); ++i) {
    pushDocument(L, documents[i], false);
    lua_rawseti(L, -2, lua_Integer(i + 1));
  }
  return 1;
}

void pushDocument(lua_State* L, Document* document, bool owned) {
  auto* ref = static_cast<DocumentRef*>(lua_newuserdata(L, sizeof(DocumentRef)));
  *ref = DocumentRef{document, owned, 0};
  pushMetatable(L);
  lua_setmetatable(L, -2);
}

Document& checkDocument(lua_State* L, int index) {
  auto* ref = static_cast<DocumentRef*>(luaL_checkudata(L, index, METATABLE));
  if (!ref->document) luaL_error(L, "Document - the document is no longer open");
  return *ref->document;
}

void checkProcessed(lua_State* L, Document& document, const char* method) {
  DocumentProcessor* processor = document.processor();
  if (!processor->processingStarted())
    luaL_error(L, "Document:%s - document has not started processing", method);
  if (!processor->finished()) luaL_error(L, "Document:%s - document has not finished processing", method);
  if (processingFailed(document)) raiseFailed(L, document, method);
}

const char* documentFile(Document& document) {
  return document.actualFilename().c_str();
}

} // namespace qelLua
