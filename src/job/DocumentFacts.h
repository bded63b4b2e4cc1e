#pragma once

#include "job/PdfLibrary.h"

class QPDF;

// What PdfLibrary reads off an opened document beyond its pages. None of
// these recurse, so a hostile file cannot overflow the stack; all of them
// may throw libqpdf's exceptions.
namespace DocumentFacts {

// Page trees deeper than this are refused: libqpdf walks them recursively.
constexpr int MaxPageTreeDepth = 1000;

// True when the page tree from the catalog's /Pages is no deeper than
// MaxPageTreeDepth and reaches no node twice.
bool PageTreeIsSound(QPDF& pdf);

// The page count the page tree's root declares (its /Count), -1 when it
// declares none. Reads the catalog and the root node only.
long long DeclaredPageCount(QPDF& pdf);

// The PdfLibrary::Feature bits of the document.
int Features(QPDF& pdf);

// The security the document was opened with.
PdfLibrary::Protection ProtectionOf(QPDF& pdf);

}  // namespace DocumentFacts
