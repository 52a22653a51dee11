// The data object and drop source that hand files by path to drop targets, read back as the
// shell reads them.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <string>
#include <vector>
#include "path_list_data.h"

namespace {

TEST(PathListData, DataObjectOffersTheFilesAsAFileList) {
  std::vector<std::string> paths = {"C:\\a.txt", "C:\\dir\\b.doc", "D:\\c"};
  IDataObject* data = CreatePathListData(paths);
  ASSERT_TRUE(data);
  FORMATETC hdrop = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  FORMATETC text = {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  FORMATETC file = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_FILE};
  EXPECT_EQ(data->QueryGetData(&hdrop), S_OK);
  EXPECT_EQ(data->QueryGetData(&text), S_FALSE);
  EXPECT_EQ(data->QueryGetData(&file), DV_E_FORMATETC);
  STGMEDIUM medium{};
  EXPECT_EQ(data->GetData(&text, &medium), DV_E_FORMATETC);
  ASSERT_EQ(data->GetData(&hdrop, &medium), S_OK);
  size_t expected = 20 + (8 + 1) + (12 + 1) + (4 + 1) + 1;
  EXPECT_EQ(GlobalSize(medium.hGlobal), expected);
  // The shell reads it back as the same three files.
  HDROP drop = static_cast<HDROP>(medium.hGlobal);
  ASSERT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 3u);
  char name[MAX_PATH];
  for (UINT i = 0; i < 3; ++i) {
    DragQueryFileA(drop, i, name, MAX_PATH);
    EXPECT_EQ(paths[i], name);
  }
  ReleaseStgMedium(&medium);
  // One format to enumerate, and only for reading.
  IEnumFORMATETC* formats = nullptr;
  EXPECT_EQ(data->EnumFormatEtc(DATADIR_SET, &formats), E_FAIL);
  EXPECT_EQ(formats, nullptr);
  ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, &formats), S_OK);
  FORMATETC got[2];
  ULONG fetched = 9;
  EXPECT_EQ(formats->Next(2, got, &fetched), S_OK);
  EXPECT_EQ(fetched, 1u);
  EXPECT_EQ(got[0].cfFormat, CF_HDROP);
  EXPECT_EQ(formats->Next(1, got, &fetched), S_FALSE);
  EXPECT_EQ(formats->Next(2, got, nullptr), E_POINTER);
  formats->Reset();
  EXPECT_EQ(formats->Skip(1), S_FALSE);
  IEnumFORMATETC* clone = nullptr;
  ASSERT_EQ(formats->Clone(&clone), S_OK);
  EXPECT_EQ(clone->Next(1, got, nullptr), S_OK);
  clone->Release();
  formats->Release();
  EXPECT_EQ(data->Release(), 0u);
}

TEST(PathListData, DropSourceFollowsTheButtonsAndEscape) {
  IDropSource* source = CreatePathDropSource();
  ASSERT_TRUE(source);
  EXPECT_EQ(source->QueryContinueDrag(TRUE, MK_LBUTTON), DRAGDROP_S_CANCEL);
  EXPECT_EQ(source->QueryContinueDrag(FALSE, 0), DRAGDROP_S_DROP);
  EXPECT_EQ(source->QueryContinueDrag(FALSE, MK_LBUTTON), S_OK);
  EXPECT_EQ(source->QueryContinueDrag(FALSE, MK_RBUTTON), S_OK);
  EXPECT_EQ(source->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
  IUnknown* unknown = nullptr;
  EXPECT_EQ(source->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&unknown)), E_NOINTERFACE);
  EXPECT_EQ(unknown, nullptr);
  EXPECT_EQ(source->Release(), 0u);
}

}  // namespace
