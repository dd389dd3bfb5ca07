#pragma once
// The user's queue of hand-off records (platform/RecordQueue.h) and the protocol around it.
//
// The extension posts one record per command and starts vtl for it, naming the record in the
// program's environment (HANDOFF_RECORD_VARIABLE). It then waits until that record is taken,
// or until the program it started has ended without taking it: the writer then takes the
// record back and says that the command did not reach Vantrel. No record is ever overwritten
// or left to a wait that gives up, so any number of commands may be on their way at once, also
// on a machine too busy to start the programs quickly.
//
// vtl started for a record takes that one; started any other way (by hand, or after
// `vtlregistry handoff write`), it takes the oldest record waiting, which may be one whose
// writer is gone.
//
// On Windows the record is the one of the named file mapping "vtl" that Explorer's extension
// and vtl share (HANDOFF_BLOCK_NAME), and a named mutex (HANDOFF_MUTEX_NAME) makes the writers
// take turns: each writes its record, starts vtl, and keeps the mutex until that record is taken
// or the program has ended (the record is then taken back), so no record ever replaces another.
// A reader claims the record by turning its ready byte from pending to 1 (being read) in one
// atomic step, copies it, and then clears the byte; a ready byte of 1 is no hand-off for
// another reader.
//
// Any thread may use a queue; the waiting writer blocks its thread, so a file manager must not
// hand over from its user-interface thread.
#include "app/model/base/HandoffBlock.h"
#ifdef _WIN32
#include "platform/win32/NamedBlock.h"
#endif

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The variable through which a writer tells the vtl it starts which record is its own.
constexpr const char* HANDOFF_RECORD_VARIABLE = "VTL_HANDOFF_RECORD";
// The Windows names of the record's mapping and of the writers' mutex.
constexpr const char* HANDOFF_BLOCK_NAME = "vtl";
constexpr const char* HANDOFF_MUTEX_NAME = "vtl-handoff-writer";

class CHandoffQueue {
  public:
    // Opens the user's queue; the writing side (`create`) makes it when it is missing. Fails,
    // saying which path is in the way, why and what to do, when the queue is refused. On the
    // reading side a queue that was never made opens empty: nothing to take, nothing waiting.
    static plat::Result<CHandoffQueue> Open(bool create);

#ifndef _WIN32
    // Posts a record for the next vtl that takes one and gives its name. A selection that does
    // not fit is refused at once and posts nothing; NotQueued when the queue could not take it.
    // For a queue opened to write.
    plat::Result<std::string, HandoffRefusal> Post(std::uint32_t command,
                                                   const std::vector<std::string>& files);
#endif
    // Posts a record, starts `program` for it and waits as described above, until the program
    // took it; NotStarted or NotTaken when it did not, and the record is gone from the queue
    // again. For a queue opened to write.
    plat::Result<void, HandoffRefusal> HandOver(const std::string& program, std::uint32_t command,
                                                const std::vector<std::string>& files);
    // Takes the named record, or with "" the oldest one, and reads it as ReadHandoffBlock does;
    // nothing when no record with its ready byte set was taken. (Windows has one record,
    // whatever the name.)
    std::optional<HandoffHeader> Take(const std::string& record, std::vector<std::string>& files);
#ifndef _WIN32
    // The records waiting, oldest first, by name with their blocks; nothing is taken.
    std::vector<std::pair<std::string, std::vector<unsigned char>>> Peek() const;
#endif

  private:
#ifdef _WIN32
    using Store = plat::CNamedBlock;
#else
    using Store = plat::CRecordQueue;
#endif
    CHandoffQueue() = default;

    // Null for a queue that was never made, opened to read.
    std::unique_ptr<Store> m_store;
};

// What vtl found at start-up.
struct HandoffRead {
    bool pending = false;        // a record was taken; its files are appended to the list
    bool takenElsewhere = false; // this start was made for a record that another start took
    std::uint32_t command = HANDOFF_RESIZE_DIALOG;
};

// Takes the record this start of vtl was made for, or the oldest one waiting when it was not
// started for one, and appends its files to `files`. A ready byte of 1..127, which no writer
// produces, counts as a hand-off of command 0 with no files. Fails, saying why and what to
// do, when the queue is refused.
plat::Result<HandoffRead> ReadHandoff(std::vector<std::string>& files);
