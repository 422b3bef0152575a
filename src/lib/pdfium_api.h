// The engine's C interface as the verifier uses it: opaque handles, the two records we pass in,
// and the table of functions resolved from the library at bind time. Declared here from the
// engine's documented API; the library itself is loaded at run time.
#pragma once

namespace quorvel::engine {

// Opaque handles. Each stands for an engine object that one close function releases.
struct DocumentObject;
struct PageObject;
struct TextPageObject;
struct AnnotationObject;
struct LinkObject;
struct ActionObject;
struct FormObject;
using FPDF_DOCUMENT = DocumentObject*;
using FPDF_PAGE = PageObject*;
using FPDF_TEXTPAGE = TextPageObject*;
using FPDF_ANNOTATION = AnnotationObject*;
using FPDF_LINK = LinkObject*;
using FPDF_ACTION = ActionObject*;
using FPDF_FORMHANDLE = FormObject*;

using FPDF_BOOL = int;
using FPDF_BYTESTRING = const char*;
// A UTF-16LE code unit; the engine's `unsigned short`, declared as char16_t (same size and
// signedness) so that its text lands in a std::u16string without a copy.
using FPDF_WCHAR = char16_t;

// How the engine reads a document: it asks for blocks of the file through `m_GetBlock`, which
// copies `size` bytes from `position` into `buffer` and returns nonzero on success. The engine
// never reads at or beyond `m_FileLen`.
struct FPDF_FILEACCESS {
  unsigned long m_FileLen;
  int (*m_GetBlock)(void* param, unsigned long position, unsigned char* buffer, unsigned long size);
  void* m_Param;
};

// The form-fill environment's callbacks, interface version 1. We read documents and never
// render or edit them, so every callback is left null and their signatures do not matter here;
// only the layout does: `version` followed by sixteen pointers.
struct FPDF_FORMFILLINFO {
  using Callback = void (*)();
  int version;
  Callback Release;
  Callback FFI_Invalidate;
  Callback FFI_OutputSelectedRect;
  Callback FFI_SetCursor;
  Callback FFI_SetTimer;
  Callback FFI_KillTimer;
  Callback FFI_GetLocalTime;
  Callback FFI_OnChange;
  Callback FFI_GetPage;
  Callback FFI_GetCurrentPage;
  Callback FFI_GetRotation;
  Callback FFI_ExecuteNamedAction;
  Callback FFI_SetTextFieldFocus;
  Callback FFI_DoURIAction;
  Callback FFI_DoGoToAction;
  void* m_pJsPlatform;
};

// FPDF_GetLastError codes.
inline constexpr unsigned long kErrorUnknown = 1;
inline constexpr unsigned long kErrorFile = 2;
inline constexpr unsigned long kErrorFormat = 3;
inline constexpr unsigned long kErrorPassword = 4;
inline constexpr unsigned long kErrorSecurity = 5;
inline constexpr unsigned long kErrorPage = 6;

// FPDF_GetFormType: the document has no interactive form.
inline constexpr int kFormTypeNone = 0;
// FPDFAnnot_GetSubtype values.
inline constexpr int kAnnotLink = 2;
inline constexpr int kAnnotWidget = 20;
// FPDFAnnot_GetValueType: a string object.
inline constexpr int kObjectString = 3;
// FPDFAction_GetType: a URI action.
inline constexpr unsigned long kActionUri = 3;

// Every engine function the verifier calls, resolved by name when the engine is bound. The
// two-step readers (page label, string value, URI, meta text) return the byte length of the
// value including its terminator when `buffer` is null or too short, and copy it otherwise.
struct PdfiumApi {
  void (*FPDF_InitLibrary)();
  FPDF_DOCUMENT (*FPDF_LoadCustomDocument)(FPDF_FILEACCESS* file_access, FPDF_BYTESTRING password);
  unsigned long (*FPDF_GetLastError)();
  FPDF_FORMHANDLE (*FPDFDOC_InitFormFillEnvironment)
  (FPDF_DOCUMENT document, FPDF_FORMFILLINFO* form_info);
  void (*FPDFDOC_ExitFormFillEnvironment)(FPDF_FORMHANDLE form);
  int (*FPDF_GetFormType)(FPDF_DOCUMENT document);
  unsigned long (*FPDF_GetMetaText)(FPDF_DOCUMENT document, FPDF_BYTESTRING tag, void* buffer,
                                    unsigned long buffer_bytes);
  int (*FPDF_GetPageCount)(FPDF_DOCUMENT document);
  FPDF_PAGE (*FPDF_LoadPage)(FPDF_DOCUMENT document, int page_index);
  unsigned long (*FPDF_GetPageLabel)(FPDF_DOCUMENT document, int page_index, void* buffer,
                                     unsigned long buffer_bytes);
  FPDF_TEXTPAGE (*FPDFText_LoadPage)(FPDF_PAGE page);
  float (*FPDF_GetPageHeightF)(FPDF_PAGE page);
  float (*FPDF_GetPageWidthF)(FPDF_PAGE page);
  // Units of the text inside the rectangle; with a null buffer, how many there are.
  int (*FPDFText_GetBoundedText)(FPDF_TEXTPAGE text_page, double left, double top, double right,
                                 double bottom, FPDF_WCHAR* buffer, int buffer_units);
  // Number of characters on the page, -1 on error.
  int (*FPDFText_CountChars)(FPDF_TEXTPAGE text_page);
  // Copies `count` characters from `start_index` into `result` (room for count + 1 units) and
  // NUL-terminates them; returns the units written, terminator included.
  int (*FPDFText_GetText)(FPDF_TEXTPAGE text_page, int start_index, int count, FPDF_WCHAR* result);
  int (*FPDFPage_GetAnnotCount)(FPDF_PAGE page);
  FPDF_ANNOTATION (*FPDFPage_GetAnnot)(FPDF_PAGE page, int index);
  int (*FPDFAnnot_GetSubtype)(FPDF_ANNOTATION annotation);
  int (*FPDFAnnot_GetFormFieldType)(FPDF_FORMHANDLE form, FPDF_ANNOTATION annotation);
  FPDF_BOOL (*FPDFAnnot_HasKey)(FPDF_ANNOTATION annotation, FPDF_BYTESTRING key);
  int (*FPDFAnnot_GetValueType)(FPDF_ANNOTATION annotation, FPDF_BYTESTRING key);
  unsigned long (*FPDFAnnot_GetStringValue)(FPDF_ANNOTATION annotation, FPDF_BYTESTRING key,
                                            FPDF_WCHAR* buffer, unsigned long buffer_bytes);
  FPDF_LINK (*FPDFAnnot_GetLink)(FPDF_ANNOTATION annotation);
  FPDF_ACTION (*FPDFLink_GetAction)(FPDF_LINK link);
  unsigned long (*FPDFAction_GetType)(FPDF_ACTION action);
  unsigned long (*FPDFAction_GetURIPath)(FPDF_DOCUMENT document, FPDF_ACTION action, void* buffer,
                                         unsigned long buffer_bytes);
  void (*FPDFText_ClosePage)(FPDF_TEXTPAGE text_page);
  void (*FPDFPage_CloseAnnot)(FPDF_ANNOTATION annotation);
  void (*FPDF_ClosePage)(FPDF_PAGE page);
  void (*FPDF_CloseDocument)(FPDF_DOCUMENT document);
};

// The bound engine's functions. Only valid once `bind_pdfium` has succeeded; holding a
// `quorvel::Pdfium` handle proves that it has.
const PdfiumApi& pdfium_api();

}  // namespace quorvel::engine
