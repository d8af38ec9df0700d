#pragma once
// Ids of the gallery page's template, shared by gallery.rc and gallery.cpp.

#define IDD_GALLERY 900
#define IDC_GALLERY_LINK 901
#define IDC_GALLERY_VISITED_LINK 902
#define IDC_GALLERY_HOVERED_LINK 903
#define IDC_GALLERY_UNDERLINED_LINK 904
#define IDC_GALLERY_TARGET_LINK 905
// Four mini-HTML labels, numbered on from the first.
#define IDC_GALLERY_HTML_FIRST 911
#define IDC_GALLERY_HTML_SECOND 912
#define IDC_GALLERY_HTML_THIRD 913
#define IDC_GALLERY_HTML_FOURTH 914
#define IDC_GALLERY_BUSY 921
#define IDC_GALLERY_PICTURES 922
