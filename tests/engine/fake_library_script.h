// The test side of the fake engine libraries: what each call received, and what it plays back.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "zipengine_abi.h"

struct TRecordedCall {
  std::string Library;  // "zipeng" or "unzeng"
  int32_t Version = 0;
  int32_t ArgCount = 0;
  QStringList Args;  // the argument vector (empty for a query block)
  bool IsQuery = false;
  QString QueryName;  // query block: archive name
  int32_t Selector = -1;
  void* UserData = nullptr;
};

// Handed to a script while the library "works": sends callback messages to the component.
class TFakeCall {
 public:
  TFakeCall(zipabi::EngineCallbackFn callback, void* userData) : FCallback(callback), FUserData(userData) {}
  // Sends one message; returns the callback's answer (1 = stop) and records it.
  int32_t Send(int32_t message, void* data);
  std::vector<int32_t> Answers;

 private:
  zipabi::EngineCallbackFn FCallback;
  void* FUserData;
};

// What the next calls do: returns the value the entry returns. Without a script a call returns 0.
using TFakeScript = std::function<int32_t(const TRecordedCall&, TFakeCall&)>;

struct TFakeLibraries {
  std::vector<TRecordedCall> Calls;
  std::vector<std::vector<int32_t>> Answers;  // the callback's answers, per call
  TFakeScript Script;
  std::map<std::string, int> Loaded;  // module name -> times loaded minus times unloaded

  void Reset() {
    Calls.clear();
    Answers.clear();
    Script = nullptr;
  }
};

TFakeLibraries& Fakes();

// Copies the fake modules beside the test executable as libzipeng32.so and libunzeng32.so (or a
// module without entry point in place of `asNoEntry`), or removes them.
void PlaceFakeLibraries(const std::string& asNoEntry = {});
void RemoveFakeLibraries();

// A library file stats record with its name and comment kept alive by the holder.
struct TLibStatsHolder {
  std::string Name;
  std::string Comment;
  zipabi::TZipLibFileStats Stats{};
  explicit TLibStatsHolder(std::string name, int64_t size = 0, std::string comment = {});
  zipabi::TZipLibFileStats* Get() {
    Stats.FileName = Name.c_str();
    Stats.Comment = Comment.data();
    return &Stats;
  }
};
