#pragma once
// A queue of fixed-size records private to the user, where one program leaves a record for
// another (the named block of shared memory a Windows program would use holds one record at a
// time; this holds any number, so none is ever overwritten).
//
// The queue is a folder, $XDG_RUNTIME_DIR/vantrel/<folder>: the user's runtime folder is the
// user's alone, and the folders made in it have mode 0700, so no other user can create, read,
// replace or squat a record. Only where XDG_RUNTIME_DIR is unset (or not absolute) it is the
// folder /dev/shm/<shm>-<uid> instead, made the same way. Opening refuses a folder this user
// did not make or that others may write (symbolic links are not followed); a refusal says
// which path is in the way, why, and what to do. Records that are not plain files of the
// record size are left alone and never taken.
//
// A record is written under a hidden temporary name and renamed into place, so nobody sees
// part of one; taking a record removes it from the folder in one step, so of any number of
// takers exactly one gets it. Records are named in the order they were published, and the
// oldest is taken first when no name is asked for.
//
// Any thread may call; one queue may be used by several threads at once.
#include "platform/Result.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace plat {

// The names of one queue in its two places.
struct QueueName {
    std::string folder; // in the runtime folder, below vantrel/
    std::string shm;    // in /dev/shm, before "-<uid>"
};

class CRecordQueue {
  public:
    // Opens the queue's folder; with `create`, makes it (and the vantrel folder) when missing.
    CRecordQueue(const QueueName& name, std::size_t recordSize, bool create);
    ~CRecordQueue();
    CRecordQueue(const CRecordQueue&) = delete;
    CRecordQueue& operator=(const CRecordQueue&) = delete;

    bool IsOpen() const { return m_folder >= 0; }
    // Why the queue is not open, in words for the user; "" when it is open or simply not there.
    const std::string& Refusal() const { return m_refusal; }

    // The calls below are for an open queue only.
    // Publishes `bytes` (exactly the record size) as the newest record and returns its name,
    // or why it could not be written.
    Result<std::string> Publish(const std::string& bytes);
    // Takes the named record out of the queue and returns its bytes; nothing when it is not
    // there, or no longer: someone else took it.
    std::optional<std::string> Take(const std::string& record);
    // Takes the oldest record; `record` (when given) receives its name.
    std::optional<std::string> TakeOldest(std::string* record = nullptr);
    bool IsQueued(const std::string& record) const;
    // The records waiting, oldest first, by name with their bytes, left in the queue.
    std::vector<std::pair<std::string, std::string>> Peek() const;

  private:
    std::vector<std::string> Names() const;
    // The record's file, opened and checked; -1 when it is not a record of ours.
    int OpenRecord(const std::string& record) const;
    void SweepAbandoned() const;

    std::size_t m_size;
    int m_folder = -1;
    std::string m_refusal;
};

// Where the queue of that name is for this user now.
std::string RecordQueuePath(const QueueName& name);

} // namespace plat
