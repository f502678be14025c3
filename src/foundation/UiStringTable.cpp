#include "UiStringTable.h"

#include <array>

int LanguageIndex = 0;

namespace {

struct RowText {
    int key;
    const char16_t* english;
    const char16_t* traditional;
    const char16_t* simplified;
};

// One row per key, in key order; row 0 the language names. "\n" is a line feed,
// trailing blanks are part of the texts.
constexpr RowText kRows[] = {
    {0, u"English", u"繁體中文(Tranditional Chinese)", u"简体中文(Simplified Chinese)"},
    {1, u"Ombrel Player", u"Ombrel Player", u"Istrel Player"},
    {2, u"Play", u"播放", u"播放"},
    {3, u"Unlock", u"解除鎖定", u"解除锁定"},
    {4, u"Play selected videos", u"播放選取的影片", u"播放选中的视频"},
    {5, u"Unlock selected files", u"解除選取檔案的鎖定", u"解除选中文件的锁定"},
    {6, u"Open", u"開啟", u"打开"},
    {7, u"Select files for playlist", u"選取要加入播放清單的檔案", u"选择要加入播放列表的文件"},
    {8, u"Remove from playlist", u"從播放清單移除", u"从播放列表移除"},
    {9, u"Remove selected files from playlist. The files will not be deleted.",
     u"將選取的檔案從播放清單移除，檔案不會被刪除。",
     u"将选中的文件从播放列表移除，文件不会被删除。"},
    {10, u"Capture video screenshot", u"擷取影片畫面", u"截取视频画面"},
    {11, u"Save the video between start point and end point as new file",
     u"將起點與終點之間的影片另存為新檔案", u"将起点与终点之间的视频另存为新文件"},
    {12, u"Track log", u"行車軌跡", u"行车轨迹"},
    {13, u"Preferences", u"偏好設定", u"偏好设置"},
    {14, u"Start point for playback and cutting", u"播放與剪輯的起點", u"播放与剪辑的起点"},
    {15, u"End point for playback and cutting", u"播放與剪輯的終點", u"播放与剪辑的终点"},
    {16, u"Play", u"播放", u"播放"},
    {17, u"Pause/Stop", u"暫停/停止", u"暂停/停止"},
    {18, u"Volume Control", u"音量控制", u"音量控制"},
    {19, u"Playback speed", u"播放速度", u"播放速度"},
    {20, u"Elapsed time", u"已播放時間", u"已播放时间"},
    {21, u"Video length between start and end point", u"起點與終點之間的影片長度",
     u"起点与终点之间的视频长度"},
    {22, u"Previous frame", u"上一格", u"上一帧"},
    {23, u"Next frame", u"下一格", u"下一帧"},
    {24, u"Vehicle Information", u"行車資訊", u"行车信息"},
    {25, u"Pan chart", u"平移圖表", u"平移图表"},
    {26, u"Zoom by selecting chart with mouse drag", u"以滑鼠拖曳選取範圍來縮放圖表",
     u"用鼠标拖动选取范围来缩放图表"},
    {27, u"Slider for chart zooming", u"圖表縮放滑桿", u"图表缩放滑块"},
    {28, u"Adjust chart to fit window", u"調整圖表以符合視窗大小", u"调整图表以适应窗口大小"},
    {29, u"Chart Settings", u"圖表設定", u"图表设置"},
    {30, u"G-Sensor", u"G-Sensor", u"G-Sensor"},
    {31, u"X", u"X", u"X"},
    {32, u"Y", u"Y", u"Y"},
    {33, u"Z", u"Z", u"Z"},
    {34, u"Total", u"總和", u"总和"},
    {35, u"X direction - front rear", u"X 方向 - 前後", u"X 方向 - 前后"},
    {36, u"Y direction - left right", u"Y 方向 - 左右", u"Y 方向 - 左右"},
    {37, u"Z direction - top bottom", u"Z 方向 - 上下", u"Z 方向 - 上下"},
    {38, u"GPS", u"GPS", u"GPS"},
    {39, u"Speed", u"車速", u"车速"},
    {40, u"OBDII", u"OBDII", u"OBDII"},
    {41, u"RPM", u"轉速", u"转速"},
    {42, u"Coolant", u"水溫", u"水温"},
    {43, u"Batt. V", u"電瓶電壓", u"电瓶电压"},
    {44, u"Turn signal", u"方向燈", u"转向灯"},
    {45, u"Left", u"左", u"左"},
    {46, u"Right", u"右", u"右"},
    {47, u"Restore", u"還原", u"还原"},
    {48, u"Update", u"更新", u"更新"},
    {49, u"Vehicle Information", u"行車資訊", u"行车信息"},
    {50, u"latitude", u"緯度", u"纬度"},
    {51, u"longitude", u"經度", u"经度"},
    {52, u"Speed Unit", u"速度單位", u"速度单位"},
    {53, u"Temperature Unit", u"溫度單位", u"温度单位"},
    {54, u"km/hr", u"公里/小時", u"公里/小时"},
    {55, u"mph", u"英里/小時", u"英里/小时"},
    {56, u"Celsius", u"攝氏", u"摄氏"},
    {57, u"Fahrenheit", u"華氏", u"华氏"},
    {58, u"OK", u"確定", u"确定"},
    {59, u"Cancel", u"取消", u"取消"},
    {60, u"Modify", u"修改", u"修改"},
    {61, u"Help", u"說明", u"帮助"},
    {62, u"Information", u"訊息", u"信息"},
    {63, u"Warning", u"警告", u"警告"},
    {64, u"Error", u"錯誤 ", u"错误 "},
    {65, u"Unknow Error", u"未知的錯誤", u"未知错误"},
    {66, u"Video file not found. \n This software only supports video files created by Ombrel.",
     u"找不到任何影片檔案 \n 此程式用於觀看 Ombrel 所開發的行車記錄器影片",
     u"找不到任何视频文件 \n 此程序用于观看 Ombrel 所开发的行车记录器视频"},
    {67, u"Playback error! \n\n Please check if this file exists or is demaged.",
     u"播放錯誤！ \n\n 請檢查檔案是否存在或已損毀。",
     u"播放错误！ \n\n 请检查文件是否存在或已损坏。"},
    {68, u"This software can only edit a maximum of", u"本軟體最多只能編輯", u"本软件最多只能编辑"},
    {69, u"files.", u"個檔案。", u"个文件。"},
    {70, u"Video editing in process, please try again later.", u"影片剪輯中，請稍後再試。",
     u"视频剪辑中，请稍后再试。"},
    {71, u"Whether to stop the Cutting?", u"是否停止剪輯？", u"是否停止剪辑？"},
    {72, u"Cutting\u2026", u"剪輯中\u2026", u"剪辑中\u2026"},
    {73, u"Cutting completed", u"剪輯完成", u"剪辑完成"},
    {74, u"File must be greater than 2 seconds.", u"檔案長度必須大於 2 秒。",
     u"文件长度必须大于 2 秒。"},
    {75, u"File can not be larger than 2G bytes.", u"檔案不可大於 2G 位元組。",
     u"文件不能大于 2G 字节。"},
    {76, u"Different types of files can not be join \u200B\u200Btogether",
     u"不同類型的檔案無法合併", u"不同类型的文件无法合并"},
    {77, u"Stop cutting", u"停止剪輯", u"停止剪辑"},
    {78, u"File format error", u"檔案格式錯誤", u"文件格式错误"},
    {79, u"Save file can not be opened", u"無法開啟要儲存的檔案", u"无法打开要保存的文件"},
    {80, u"Source file can not be opened", u"無法開啟來源檔案", u"无法打开源文件"},
    {81, u"This file already exists. Do you want to overwrite it?", u"檔案已存在，是否要覆寫？",
     u"文件已存在，是否要覆盖？"},
    {82, u"Date/Time", u"日期/時間", u"日期/时间"},
    {83, u"File name", u"檔案名稱", u"文件名"},
    {84, u"Duration", u"影片長度", u"时长"},
    {85, u"Save image to", u"圖片儲存至", u"图片保存到"},
    {86, u"Save video to", u"影片儲存至", u"视频保存到"},
    {87, u"Ombrel Player Settings", u"Ombrel Player 設定", u"Istrel Player 设置"},
    {88, u"Default Save folder", u"預設儲存資料夾", u"默认保存文件夹"},
    {89, u"Default Open folder", u"預設開啟資料夾", u"默认打开文件夹"},
    {90, u"Select folder", u"選擇資料夾", u"选择文件夹"},
    {91, u"Auto search SD card", u"自動搜尋 SD 卡", u"自动搜索 SD 卡"},
    {92, u"Capture screen area", u"擷取畫面範圍", u"截图范围"},
    {93, u"Vidoe Image", u"影片畫面", u"视频画面"},
    {94, u"Video Image + Chart", u"影片畫面 + 圖表", u"视频画面 + 图表"},
    {95, u"Select language", u"語言選取(Language)", u"语言选取(Language)"},
    {96, u"This folder does not exist. \n", u"資料夾不存在:\n", u"文件夹不存在:\n"},
    {97, u"Capture G-force chart", u"擷取 G 力圖表", u"截取 G 力图表"},
    {98, u"About", u"關於", u"关于"},
    {99, u"Date", u"日期", u"日期"},
    {100, u"Time", u"時間", u"时间"},
    {101, u"Extended recording", u"延長錄影", u"延长录像"},
    {102, u"System volume", u"系統音量", u"系统音量"},
    {103, u"Auto Lock level", u"自動鎖定等級", u"自动锁定等级"},
    {104, u"Video Quality", u"影片畫質", u"视频画质"},
    {105, u"Normal (1.5 hr/GB)", u"一般 (1.5 小時/GB)", u"一般 (1.5 小时/GB)"},
    {106, u"Standard (1hr/GB)", u"標準 (1 小時/GB)", u"标准 (1 小时/GB)"},
    {107, u"Best (40 min/GB)", u"最佳 (40 分鐘/GB)", u"最佳 (40 分钟/GB)"},
    {108, u"Normal (35 min/GB)", u"一般 (35 分鐘/GB)", u"一般 (35 分钟/GB)"},
    {109, u"Standard (23 min/GB)", u"標準 (23 分鐘/GB)", u"标准 (23 分钟/GB)"},
    {110, u"Best (15 min/GB)", u"最佳 (15 分鐘/GB)", u"最佳 (15 分钟/GB)"},
    {111, u"Screen auto off (support Falvor Display only)",
     u"螢幕自動關閉（本選項僅支援連接Falvor Display使用）",
     u"屏幕自动关闭（本选项仅支援连接Falvor Display使用）"},
    {112, u"SD card location", u"SD 卡位置", u"SD 卡位置"},
    {113, u"Write to SD card", u"寫入 SD 卡", u"写入 SD 卡"},
    {114, u"On", u"開啟", u"开启"},
    {115, u"Off", u"關閉", u"关闭"},
    {116, u"hr", u"小時", u"小时"},
    {117, u"Create Settings file", u"建立設定檔", u"创建设置文件"},
    {118,
     u"You can configure drive recorder settings with a SD card, without the need of a on-board "
     u"monitor. Checked items will be updated, while unchecked items will be left untouched.",
     u"您可以透過 SD "
     u"卡設定行車記錄器，不需要車上的螢幕。勾選的項目將會更新，未勾選的項目則維持不變。",
     u"您可以通过 SD 卡设置行车记录仪，无需车载显示屏。勾选的项目将被更新，未勾选的项目保持不变。"},
    {119, u"Model", u"型號", u"型号"},
    {120, u"SD card not found", u"找不到 SD 卡", u"未找到 SD 卡"},
    {121, u"Writing to SD card completed", u"SD 卡寫入完成", u"SD 卡写入完成"},
    {122, u"Please check at least one update item", u"請至少勾選一個更新項目",
     u"请至少勾选一个更新项目"},
    {123, u"Cannot write to destination drive", u"無法寫入目的磁碟", u"无法写入目标磁盘"},
    {124, u"About Ombrel Player", u"關於Ombrel Player", u"关于Ombrel Player"},
    {125, u"Version", u"版本", u"版本"},
    {126, u"Operation system", u"作業系統", u"操作系统"},
    {127, u"System information", u"系統資訊", u"系统信息"},
    {128, u"More information", u"更多資訊", u"更多信息"},
    {129, u"Get user menual and update information from Quendrix.",
     u"連接官方網站，取得使用說明，更新等資訊", u"连接官方网站，取得使用说明，更新等信息"},
    {130, u"Support", u"技術支援", u"技术支持"},
    {131, u"E-mail to Quendrix support team", u"E-mail 給Quendrix", u"E-mail 给Quendrix"},
    {132, u"End User License Agreement (EULA) file not found.",
     u"找不到使用者授權合約 (EULA) 檔案。", u"未找到最终用户许可协议 (EULA) 文件。"},
    {133, u"Ombrel Setting", u"Ombrel 參數設定", u"Ombrel 参数设定"},
};

constexpr bool RowsAreInKeyOrder() {
    int key = 0;
    for (const RowText& row : kRows) {
        if (row.key != key++) {
            return false;
        }
    }
    return key == kUiStringRows;
}
static_assert(RowsAreInKeyOrder(), "one row per key, in key order");

using Row = std::array<QString, kLanguageCount>;

const std::array<Row, kUiStringRows>& Table() {
    static const std::array<Row, kUiStringRows> table = [] {
        std::array<Row, kUiStringRows> rows;
        for (const RowText& row : kRows) {
            rows[static_cast<size_t>(row.key)] = {QString::fromUtf16(row.english),
                                                  QString::fromUtf16(row.traditional),
                                                  QString::fromUtf16(row.simplified)};
        }
        return rows;
    }();
    return table;
}

const QString& Empty() {
    static const QString empty;
    return empty;
}

}  // namespace

const QString& UiText(int key) {
    return UiText(key, LanguageIndex);
}

const QString& UiText(int key, int language) {
    if (key < 0 || key >= kUiStringRows) {
        return Empty();
    }
    if (language < 0 || language >= kLanguageCount) {
        language = 0;
    }
    return Table()[static_cast<size_t>(key)][static_cast<size_t>(language)];
}

const QString& LanguageName(int language) {
    return UiText(0, language);
}

const QString& EulaFileName(int slot) {
    static const std::array<QString, 3> names = {QStringLiteral("Falvor Viewer EULA EN.txt"),
                                                 QStringLiteral("Falvor Viewer EULA SC.txt"),
                                                 QStringLiteral("Falvor Viewer EULA TC.txt")};
    return slot >= 0 && slot < 3 ? names[static_cast<size_t>(slot)] : Empty();
}
