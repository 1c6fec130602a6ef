#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "fleet/WriteJournal.h"
#include "protocol/WriteRecorder.h"

namespace horavane {

// A window's writes in the journal of writes, each named "window": what the window last knew the
// clock to hold as "before", what it wrote as "written", in the same keys the command line keeps.
// A clock the window had shown nothing of gets an empty "before", which restore refuses to write.
class JournalWriteRecorder final : public WriteRecorder {
  public:
    static constexpr std::string_view kCommand = "window";

    explicit JournalWriteRecorder(WriteJournal journal) : journal_(std::move(journal)) {}

    [[nodiscard]] std::optional<std::string> Record(Ipv4Address clock, const ClockStatus* before,
                                                    const ClockDatagram& request) override;
    [[nodiscard]] std::optional<std::string> Unsent() override;

  private:
    WriteJournal journal_;
    std::optional<AppendedLines> last_;  // the last record, until its write went out or it is taken back
};

}  // namespace horavane
