// Engine-internal: every text the file set writes. The conflicts between submissions that loading
// reports to the user, and the notes the per-person check puts beside a person in the protocol,
// each named by what happened. All texts are windows-1251, the failure raised by RethrowNamingFile
// excepted (UTF-8, as every exception's); file numbers count from 1 in the sorted file list, as the
// protocol's file list shows them.
#pragma once

#include <string>

#include "base/amount.h"
#include "base/date.h"
#include "engine/sverka.h"

namespace brisolt {

// Conflicts of СЗВ-6 submissions for one person, period, category and contract type.
std::string CorrectionWithoutInitial(const TSZV6DocData& doc, int fileNumber);
std::string DuplicateInitial(const TSZV6DocData& doc, int fileNumber);
// A corrective pack for an entry a corrective or cancelling pack has already changed.
std::string RepeatedCorrection(const TSZV6DocData& doc, int fileNumber, int previousFileNumber);
// A cancelling pack for an entry a corrective or cancelling pack has already changed.
std::string CancellationAfterCorrection(const TSZV6DocData& doc, int fileNumber, int previousFileNumber);

// Conflicts of СЗВ-6-3 submissions.
std::string PaymentsWithoutIndividualData(const TSZV63DocData& doc, int year, const std::string& categoryCode);
std::string PaymentCorrectionWithoutIndividualData(const TSZV63DocData& doc, int year,
                                                   const std::string& categoryCode);
std::string PaymentCorrectionWithoutInitial(const TSZV63DocData& doc, int year, const std::string& categoryCode);
std::string DuplicateInitialPayments(const TSZV63DocData& doc, int packNumber, int year,
                                     const std::string& categoryCode, const std::string& contractType);

// Notes of the per-person check; `period` is "quarter/year".
std::string BaseLimitExceeded(const std::string& period, TAmount yearBase);
std::string InsOverpaid(const std::string& period, TAmount accrued, TAmount paid);
std::string FundOverpaid(const std::string& period, TAmount accrued, TAmount paid);
std::string InsDebtAtDismissal(TAmount debt);
std::string FundDebtAtDismissal(TAmount debt);

// The parsers raise EConvertError with the bare date text; the user needs to know the file.
// `fileName` is in the platform's encoding; the message stays UTF-8.
[[noreturn]] void RethrowNamingFile(const std::string& fileName, const EConvertError& error);

}  // namespace brisolt
