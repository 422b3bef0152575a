// A stand-in for the engine library that exports the engine's function names and nothing else.
// Binding tests load it where they must count initialisations or miss a function; none of its
// functions but FPDF_InitLibrary is ever called.
//
// FPDF_InitLibrary prints "fake engine: FPDF_InitLibrary" on standard output, so the test sees
// each initialisation. Built with QUORVEL_FAKE_PDFIUM_WITHOUT_GET_TEXT, it lacks
// FPDFText_GetText.
#include <cstdio>

#define QUORVEL_FAKE(name) \
  extern "C" __attribute__((visibility("default"))) void name() {}

extern "C" __attribute__((visibility("default"))) void FPDF_InitLibrary() {
  std::fputs("fake engine: FPDF_InitLibrary\n", stdout);
  std::fflush(stdout);
}

QUORVEL_FAKE(FPDF_LoadCustomDocument)
QUORVEL_FAKE(FPDF_GetLastError)
QUORVEL_FAKE(FPDFDOC_InitFormFillEnvironment)
QUORVEL_FAKE(FPDFDOC_ExitFormFillEnvironment)
QUORVEL_FAKE(FPDF_GetFormType)
QUORVEL_FAKE(FPDF_GetMetaText)
QUORVEL_FAKE(FPDF_GetPageCount)
QUORVEL_FAKE(FPDF_LoadPage)
QUORVEL_FAKE(FPDF_GetPageLabel)
QUORVEL_FAKE(FPDFText_LoadPage)
QUORVEL_FAKE(FPDF_GetPageHeightF)
QUORVEL_FAKE(FPDF_GetPageWidthF)
QUORVEL_FAKE(FPDFText_GetBoundedText)
QUORVEL_FAKE(FPDFText_CountChars)
#ifndef QUORVEL_FAKE_PDFIUM_WITHOUT_GET_TEXT
QUORVEL_FAKE(FPDFText_GetText)
#endif
QUORVEL_FAKE(FPDFPage_GetAnnotCount)
QUORVEL_FAKE(FPDFPage_GetAnnot)
QUORVEL_FAKE(FPDFAnnot_GetSubtype)
QUORVEL_FAKE(FPDFAnnot_GetFormFieldType)
QUORVEL_FAKE(FPDFAnnot_HasKey)
QUORVEL_FAKE(FPDFAnnot_GetValueType)
QUORVEL_FAKE(FPDFAnnot_GetStringValue)
QUORVEL_FAKE(FPDFAnnot_GetLink)
QUORVEL_FAKE(FPDFLink_GetAction)
QUORVEL_FAKE(FPDFAction_GetType)
QUORVEL_FAKE(FPDFAction_GetURIPath)
QUORVEL_FAKE(FPDFText_ClosePage)
QUORVEL_FAKE(FPDFPage_CloseAnnot)
QUORVEL_FAKE(FPDF_ClosePage)
QUORVEL_FAKE(FPDF_CloseDocument)
