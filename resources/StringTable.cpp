#include "resources/StringTable.h"

#include <iterator>

namespace {

struct StringEntry {
    int id;
    const char* text;  // UTF-8
};

// Even ids Russian, odd ids English.
constexpr StringEntry kStrings[] = {
    // About dialog.
    {80, "О программе Orvida"},
    {81, "About Orvida endoscopes &microscopes software"},
    {82, "Версия:2017-1.01"},
    {83, "Version:2017-1.01"},
    {84, "© 2017 ООО «Орвида Оптикс»"},
    {85, "© 2017 Orvida Optics Ltd. All rights reserved."},
    {86, "Телефон: +7 (812) 555-01-47"},
    {87, "Phone: +7 (812) 555-01-47"},
    {88, "                 +7 (812) 555-01-48"},
    {89, "            +7 (812) 555-01-48"},
    {90, "                 +7 (800) 555-02-90"},
    {91, "            +7 (800) 555-02-90"},
    {92, "   "},
    {93, "   "},
    {94, "support@orvida-optics.example"},
    {95, "support@orvida-optics.example"},
    {96, "www.orvida-optics.example"},
    {97, "www.orvida-optics.example"},
    // Main window caption and menu.
    {100, "Программное обеспечение для эндоскопов и микроскопов Orvida"},
    {101, "Orvida endoscopes &microscopes software"},
    {102, "Файл"},
    {103, "File"},
    {104, "Выход"},
    {105, "Exit"},
    {106, "Задать папку"},
    {107, "Set Folder"},
    {108, "Запись…"},
    {109, "REC..."},
    {110, "Устройство"},
    {111, "Devices"},
    {112, "Операции"},
    {113, "Operation"},
    {114, "О программе"},
    {115, "About"},
    {116, "Запись фото"},
    {117, "Snap"},
    {118, "Старт видео"},
    {119, "Start recoder"},
    {120, "Стоп видео"},
    {121, "Stop recoder"},
    {122, "Сетка"},
    {123, "Crosshairs (on/off)"},
    {124, "Коррекция"},
    {125, "Filter"},
    {126, "Разрешение"},
    {127, "Resolution"},
    {128, "Язык"},
    {129, "Language"},
    {130, "Русский"},
    {131, "Russian"},
    {132, "Английский"},
    {133, "English"},
    // Save-settings dialog.
    {134, "По умолчанию"},
    {135, "Default Option"},
    {136, "Папка"},
    {137, "Folder"},
    {138, "Обзор"},
    {139, "Brower"},
    {140, "Формат названия фото"},
    {141, "Default Pic Name"},
    {142, "Формат названия видео"},
    {143, "Default AVI Name"},
    {144, "Ok"},
    {145, "Ok"},
    {146, "Отмена"},
    {147, "Cancel"},
    // Capture engine failures.
    {148, "Не удалось запустить график!"},
    {149, "Couldn't run the graph!"},
    {150, "Ошибка инициализации!"},
    {151, "CoInitialize Failed!\r\n"},
    {152, "Невозможно построить график!"},
    {153, "Can’t build the graph"},
    {154, "Невозможно установить тип носителя!"},
    {155, "Fail to set media type!"},
    {156, "Невозможно установить тип подключенного носителя!"},
    {157, "Failt to read the connected media type"},
    {158, "Невозможно получить видео интерфейс!"},
    {159, "Failed to get video interfaces!"},
    {160, "Не удалось создать SampleGrabber, возможно, qedit.dll не зарегистрирован?"},
    {161, "Fail to create SampleGrabber, maybe qedit.dll is not registered?"},
    {162, "Не удалось установить Граббер в график!"},
    {163, "Fail to put sample grabber in graph"},
    // A recording that cannot start.
    {164, "Не удалось начать запись видео!"},
    {165, "Couldn't start the recording!"},
    // A recording ended, or a picture not written, because the file could not be written.
    {166, "Запись остановлена: на диске не осталось места."},
    {167, "The recording has stopped: the disk is full."},
    {168, "Запись остановлена: не удаётся записать файл."},
    {169, "The recording has stopped: the file cannot be written."},
    {170, "Снимок не сохранён: на диске не осталось места."},
    {171, "The picture was not saved: the disk is full."},
    {172, "Снимок не сохранён: не удаётся записать файл."},
    {173, "The picture was not saved: the file cannot be written."},
    // Recordings that were interrupted, repaired at start-up (their names follow).
    {174, "Прерванные видеозаписи восстановлены:"},
    {175, "Interrupted recordings were repaired:"},
    // A camera that cannot start ("%1" its name), and the sign over a picture that stopped.
    {176, "Камера «%1» используется другой программой."},
    {177, "The camera “%1” is used by another program."},
    {178, "Нет разрешения на использование камеры «%1»."},
    {179, "There is no permission to use the camera “%1”."},
    {180, "Нет изображения с камеры"},
    {181, "No picture from the camera"},
    // A camera whose stream cannot start for want of USB bandwidth ("%1" its name).
    {182,
     "Камере «%1» не хватает пропускной способности USB. Попробуйте меньшее разрешение, "
     "другой порт USB или меньше устройств на том же концентраторе."},
    {183,
     "The camera “%1” cannot get enough USB bandwidth. Try a lower resolution, another USB "
     "port, or fewer devices on the same hub."},
};

}  // namespace

QString LoadStringId(int id) {
    for (const StringEntry& entry : kStrings) {
        if (entry.id == id) return QString::fromUtf8(entry.text);
    }
    return {};
}

QString LoadStringForLanguage(int russianId, int languageFlag) {
    return LoadStringId(languageFlag != 0 ? russianId : russianId + 1);
}
