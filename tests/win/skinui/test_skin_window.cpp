#include "test_skin_window.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace skintest {

bool TestSkinWnd::Open(int x, int y) {
  if (!Create(nullptr, L"skin test", WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW)) return false;
  ::SetWindowPos(m_hWnd, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ::UpdateWindow(m_hWnd);
  Pump(100);
  return true;
}

void TestSkinWnd::OnNotify(SkinUI::TSkinNotify& msg) {
  notes.push_back(msg.sType + L":" + (msg.pSender ? msg.pSender->GetName() : std::wstring()));
}

LRESULT TestSkinWnd::FilterMessage(UINT msg, WPARAM, LPARAM, bool& handled) {
  filtered.push_back(msg);
  if (msg == swallow) handled = true;
  return 0;
}

LRESULT TestSkinWnd::HandleCustomMessage(UINT msg, WPARAM, LPARAM, bool& handled) {
  if (msg >= WM_APP && msg < WM_APP + 0x100) custom.push_back(msg);
  handled = false;
  return 0;
}

HWND TestSkinWnd::ToolTipWindow() {
  auto* host = dynamic_cast<SkinUI::CSkinHostWin32*>(m_pm.GetHost());
  return host ? host->GetToolTipWindow() : nullptr;
}

void Pump(DWORD ms) {
  const DWORD start = ::GetTickCount();
  do {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (SkinUI::TranslateSkinMessage(&msg)) continue;
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(5);
  } while (::GetTickCount() - start < ms);
}

Capture CaptureWindow(HWND hwnd) {
  ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  Pump(50);
  Capture out;
  RECT rc{};
  ::GetClientRect(hwnd, &rc);
  out.width = rc.right;
  out.height = rc.bottom;
  out.pixels.assign(static_cast<std::size_t>(out.width) * out.height, 0);
  HDC window = ::GetDC(hwnd);
  HDC memory = ::CreateCompatibleDC(window);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = out.width;
  info.bmiHeader.biHeight = -out.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(memory, dib);
  ::BitBlt(memory, 0, 0, out.width, out.height, window, 0, 0, SRCCOPY);
  ::GdiFlush();
  std::memcpy(out.pixels.data(), bits, out.pixels.size() * sizeof(DWORD));
  ::SelectObject(memory, old);
  ::DeleteObject(dib);
  ::DeleteDC(memory);
  ::ReleaseDC(hwnd, window);
  return out;
}

bool SaveBitmap(const Capture& capture, const std::wstring& path) {
  struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<FILE, FileCloser> file(_wfopen(path.c_str(), L"wb"));
  if (!file) return false;
  const int stride = (capture.width * 3 + 3) & ~3;
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof(fh) + sizeof(ih);
  fh.bfSize = fh.bfOffBits + stride * capture.height;
  ih.biSize = sizeof(ih);
  ih.biWidth = capture.width;
  ih.biHeight = capture.height;  // bottom-up
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  std::fwrite(&fh, sizeof(fh), 1, file.get());
  std::fwrite(&ih, sizeof(ih), 1, file.get());
  std::vector<unsigned char> row(stride, 0);
  for (int y = capture.height - 1; y >= 0; --y) {
    for (int x = 0; x < capture.width; ++x) {
      const DWORD p = capture.At(x, y);
      row[x * 3] = p & 0xFF;
      row[x * 3 + 1] = (p >> 8) & 0xFF;
      row[x * 3 + 2] = (p >> 16) & 0xFF;
    }
    std::fwrite(row.data(), 1, row.size(), file.get());
  }
  return true;
}

bool Near(DWORD a, DWORD b, int tolerance) {
  for (int shift = 0; shift <= 16; shift += 8) {
    const int ca = (a >> shift) & 0xFF;
    const int cb = (b >> shift) & 0xFF;
    if (std::abs(ca - cb) > tolerance) return false;
  }
  return true;
}

}  // namespace skintest
