#pragma once
// The user's hand-off block as both sides map it, and the protocol between them.
//
// A writer (the extension, vtlregistry) never overwrites a record that is still pending: it
// waits, up to five seconds, for the application it started for that record to claim it, so
// two commands chosen in quick succession (or a script looping over folders) both run. A
// record still pending after that belongs to an application that never started or died, and
// is overwritten. A reader (the application) claims the record and copies it. Writing and
// claiming hold the block's lock, so no reader ever copies a record that a writer is filling
// and no two writers fill one at once; the ready byte is still published last and claimed by
// one atomic exchange, as the record's layout says (HandoffBlock.h).
//
// A mapping may be used from several threads; the waiting writer blocks its thread, so a
// file manager must not write from its user-interface thread.
#include "app/core/HandoffBlock.h"

#include <cstdint>
#include <string>
#include <vector>

class CHandoffMapping {
public:
    // Opens the user's block; the extension's side (`create`) makes it when it is missing.
    explicit CHandoffMapping(bool create);
    ~CHandoffMapping();
    CHandoffMapping(const CHandoffMapping&) = delete;
    CHandoffMapping& operator=(const CHandoffMapping&) = delete;

    bool IsOpen() const { return m_block != nullptr; }
    // Why the block is not open, with the path in the way and what to do; "" when it is open
    // or simply not there.
    const std::string& Refusal() const { return m_refusal; }

    // The three calls below are for an open mapping only.
    // Writes a pending record, after an earlier one was claimed or has waited too long. A
    // selection that does not fit is refused at once and changes nothing.
    HandoffWrite Write(std::uint32_t command, const std::vector<std::string>& files,
                       std::string* refusedPath = nullptr);
    // Claims and reads a pending record, as ReadHandoffBlock does. `pending` becomes whether
    // the ready byte was set at all.
    HandoffHeader Read(std::vector<std::string>& files, bool* pending = nullptr);
    // The block's bytes as they are, without claiming anything.
    std::vector<unsigned char> Copy();

private:
    plat::FileMapping* m_mapping = nullptr;
    unsigned char* m_block = nullptr;
    std::string m_refusal;
};
