// Identifiers of the windows' controls on Windows, in tab order, and their
// classes: what the program and the test that drives it from outside share.
// None is IDOK or IDCANCEL, so no button is a default or cancel button.
#pragma once

enum Form1ControlId : int { kTextSignId = 100, kTextFileNameId, kCommandSignId, kProgressId };

inline constexpr wchar_t kForm1ClassName[] = L"Form1";

// The window that checks a list.
enum CheckControlId : int {
    kCheckVerdictId = 200,
    kCheckIconId,
    kCheckTableId,
    kCheckProblemsId,
    kCheckDoneId,
    kCheckAddId,
    kCheckReportId,
    kCheckCopyId,
    kCheckCancelId,
};
inline constexpr wchar_t kCheckWindowClassName[] = L"FirmaCheck";

// The window that records a list.
enum RecordControlId : int { kRecordStatusId = 300, kRecordProgressId, kRecordCurrentId, kRecordButtonId };
inline constexpr wchar_t kRecordWindowClassName[] = L"FirmaRecord";

// The program's icon group in its resources (cmake/windows_resources.rc.in).
inline constexpr int kAppIconId = 1;
