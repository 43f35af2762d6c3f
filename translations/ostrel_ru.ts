<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>AxisTrafficStreamOverlay</name>
    <message>
        <source>Received packet too big</source>
        <translation>Слишком большой пакет</translation>
    </message>
    <message>
        <source>Receive buffer too big</source>
        <translation>Переполнен буфер приёма</translation>
    </message>
    <message>
        <source>Login failed</source>
        <translation>Ошибка входа</translation>
    </message>
    <message>
        <source>Invalid data size in command &apos;gcam&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to parse &apos;ge2&apos; answer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid data size in command &apos;gtrp&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid answer to evenet subscription</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid answer to &apos;id&apos; command</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Command answer timeot</source>
        <translation>Нет ответа на команду</translation>
    </message>
    <message>
        <source>Ivalid value for &apos;FrameW&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ivalid value for &apos;FrameH&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No frame size in answer</source>
        <translation>В ответе нет размера кадра</translation>
    </message>
    <message>
        <source>Invalid sensors state value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid sensor id in state string</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid sensor %1 state value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid lines count for &apos;%1&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid sensor id for &apos;%1&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid coordiantes value for &apos;%1&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No coordinates for &apos;%1&apos;</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CamEditDlg</name>
    <message>
        <source>Name:</source>
        <translation>Название:</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Тип</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>Камера</translation>
    </message>
    <message>
        <source>License plate registrator</source>
        <translation>Регистратор номеров</translation>
    </message>
    <message>
        <source>Video detector</source>
        <translation>Видеодетектор</translation>
    </message>
    <message>
        <source>Rotation angle:</source>
        <translation>Угол поворота:</translation>
    </message>
    <message>
        <source>View angle:</source>
        <translation>Угол обзора:</translation>
    </message>
    <message>
        <source>View radius:</source>
        <translation>Радиус обзора:</translation>
    </message>
    <message>
        <source>Video url:</source>
        <translation>Адрес видео:</translation>
    </message>
    <message>
        <source>Overlay url:</source>
        <translation>Адрес детектора:</translation>
    </message>
    <message>
        <source>Images url template:</source>
        <translation>Шаблон адреса снимков:</translation>
    </message>
    <message>
        <source>Images update interval, sec:</source>
        <translation>Период обновления снимков, с:</translation>
    </message>
    <message>
        <source>Use TCP transport for rtsp</source>
        <translation>RTSP через TCP</translation>
    </message>
</context>
<context>
    <name>CamListReader</name>
    <message>
        <source>Larger than %1 MiB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Entity declarations are not allowed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>More than %1 cameras</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CameraListDock</name>
    <message>
        <source>Cameras</source>
        <translation>Камеры</translation>
    </message>
    <message>
        <source>Filter by name or address</source>
        <translation>Фильтр по названию или адресу</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Название</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Адрес</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Тип</translation>
    </message>
</context>
<context>
    <name>CitiLogOvelay</name>
    <message>
        <source>Received packet too big</source>
        <translation>Слишком большой пакет</translation>
    </message>
    <message>
        <source>Receive buffer too big</source>
        <translation>Переполнен буфер приёма</translation>
    </message>
    <message>
        <source>Message size too big</source>
        <translation>Слишком большое сообщение</translation>
    </message>
    <message>
        <source>Command answer timeot</source>
        <translation>Нет ответа на команду</translation>
    </message>
    <message>
        <source>Invalid camera configuration: zones coordinate error</source>
        <translation>Неверная конфигурация камеры: ошибка координат зон</translation>
    </message>
    <message>
        <source>Zones count not equals count in configuration</source>
        <translation>Число зон не совпадает с конфигурацией</translation>
    </message>
    <message>
        <source>entity declarations not allowed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>elements nested too deeply</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FtpClient</name>
    <message>
        <source>Unknown error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Aborted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid argument</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Already connected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid passive mode reply</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FtpControlChannel</name>
    <message>
        <source>Connection timed out: the server did not answer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid reply from server</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Host %1 not found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connection refused to host %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connection closed by the server</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FtpDataChannel</name>
    <message>
        <source>Data connection timed out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Data connection failed: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ImagePlayerWidget</name>
    <message>
        <source>Date:</source>
        <translation>Дата:</translation>
    </message>
    <message>
        <source>dd.MM.yyyy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>refresh</source>
        <translation>обновить</translation>
    </message>
    <message>
        <source>url &apos;%1&apos; is invalid</source>
        <translation>неверный адрес &apos;%1&apos;</translation>
    </message>
    <message>
        <source>unsupported scheme: &apos;%1&apos;</source>
        <translation>схема не поддерживается: &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Unconnected</source>
        <translation>Нет соединения</translation>
    </message>
    <message>
        <source>Host lookup</source>
        <translation>Поиск сервера</translation>
    </message>
    <message>
        <source>Connecting</source>
        <translation>Соединение</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Соединено</translation>
    </message>
    <message>
        <source>Logged in</source>
        <translation>Вход выполнен</translation>
    </message>
    <message>
        <source>Closing</source>
        <translation>Закрытие</translation>
    </message>
    <message>
        <source>unknown state</source>
        <translation>неизвестное состояние</translation>
    </message>
    <message>
        <source>ftp error: %1</source>
        <translation>ошибка ftp: %1</translation>
    </message>
    <message>
        <source>receiving data: %1 from %2 bytes</source>
        <translation>приём данных: %1 из %2 байт</translation>
    </message>
    <message>
        <source>no image in directory</source>
        <translation>в каталоге нет снимков</translation>
    </message>
    <message>
        <source>getting image %1</source>
        <translation>загрузка снимка %1</translation>
    </message>
    <message>
        <source>unable to decode new image</source>
        <translation>не удалось прочитать снимок</translation>
    </message>
    <message>
        <source>new image has null height</source>
        <translation>у снимка нулевая высота</translation>
    </message>
    <message>
        <source>new image loaded at %1</source>
        <translation>снимок загружен в %1</translation>
    </message>
</context>
<context>
    <name>MapMenu</name>
    <message>
        <source>New camera here</source>
        <translation>Новая камера здесь</translation>
    </message>
</context>
<context>
    <name>OstrelPlugin</name>
    <message>
        <source>Error opening file: %1</source>
        <translation>Ошибка открытия файла: %1</translation>
    </message>
    <message>
        <source>Error parsing file (row %1, column %2): %3</source>
        <translation>Ошибка разбора файла (строка %1, столбец %2): %3</translation>
    </message>
    <message>
        <source>Camera &quot;%1&quot; properties</source>
        <translation>Свойства камеры «%1»</translation>
    </message>
</context>
<context>
    <name>PlayerWidget</name>
    <message>
        <source>Player initialization ...</source>
        <translation>Запуск проигрывателя ...</translation>
    </message>
    <message>
        <source>Camera %1</source>
        <translation>Камера %1</translation>
    </message>
    <message>
        <source>Beward ActiveX component not found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>initFFMpeg exception</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Waiting for first frame ...</source>
        <translation>Ожидание первого кадра ...</translation>
    </message>
    <message>
        <source>avformat_open_input error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>avformat_find_stream_info error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No video stream in the source</source>
        <translation>В источнике нет видеопотока</translation>
    </message>
    <message>
        <source>avcodec_find_decoder error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>avcodec_open2 error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error reading frame</source>
        <translation>Ошибка чтения кадра</translation>
    </message>
    <message>
        <source>Restarting player</source>
        <translation>Перезапуск проигрывателя</translation>
    </message>
    <message>
        <source>Error initialization the conversion context</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No frame in 10 sec</source>
        <translation>Нет кадров 10 с</translation>
    </message>
    <message>
        <source>Error ffmpeg initialization: </source>
        <translation>Ошибка запуска декодера: </translation>
    </message>
</context>
<context>
    <name>PluginHost</name>
    <message>
        <source>%1 is not a plug-in</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not the camera layer plug-in</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ProxySocket</name>
    <message>
        <source>error listening</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>can&apos;t set socket descriptor</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>WorkstationWindow</name>
    <message>
        <source>Zoom %1</source>
        <translation>Масштаб %1</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>Камера</translation>
    </message>
    <message>
        <source>License plate registrator</source>
        <translation>Регистратор номеров</translation>
    </message>
    <message>
        <source>Video detector</source>
        <translation>Видеодетектор</translation>
    </message>
    <message>
        <source>Camera with traffic-stream detector</source>
        <translation>Камера с детектором транспортного потока</translation>
    </message>
    <message>
        <source>Camera with CitiLog detector</source>
        <translation>Камера с детектором CitiLog</translation>
    </message>
    <message>
        <source>Type %1</source>
        <translation>Тип %1</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Файл</translation>
    </message>
    <message>
        <source>&amp;Open camera list...</source>
        <translation>&amp;Открыть список камер...</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Сохранить</translation>
    </message>
    <message>
        <source>Save &amp;as...</source>
        <translation>Сохранить &amp;как...</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Выход</translation>
    </message>
    <message>
        <source>&amp;Cameras</source>
        <translation>&amp;Камеры</translation>
    </message>
    <message>
        <source>&amp;New camera</source>
        <translation>&amp;Новая камера</translation>
    </message>
    <message>
        <source>Click on the map to place the camera</source>
        <translation>Щёлкните на карте, чтобы поставить камеру</translation>
    </message>
    <message>
        <source>&amp;Edit...</source>
        <translation>&amp;Изменить...</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Удалить</translation>
    </message>
    <message>
        <source>Play &amp;live</source>
        <translation>Смотреть &amp;видео</translation>
    </message>
    <message>
        <source>The player could not be opened.</source>
        <translation>Не удалось открыть проигрыватель.</translation>
    </message>
    <message>
        <source>Play &amp;snapshots</source>
        <translation>Смотреть &amp;снимки</translation>
    </message>
    <message>
        <source>Play on the &amp;map</source>
        <translation>Видео на &amp;карте</translation>
    </message>
    <message>
        <source>&amp;Movable</source>
        <translation>&amp;Перемещаемая</translation>
    </message>
    <message>
        <source>&amp;Close players on the map</source>
        <translation>&amp;Закрыть проигрыватели на карте</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Вид</translation>
    </message>
    <message>
        <source>Zoom &amp;in</source>
        <translation>&amp;Крупнее</translation>
    </message>
    <message>
        <source>Zoom &amp;out</source>
        <translation>&amp;Мельче</translation>
    </message>
    <message>
        <source>Show all view &amp;sectors</source>
        <translation>Показать все &amp;секторы обзора</translation>
    </message>
    <message>
        <source>Camera &amp;types</source>
        <translation>&amp;Типы камер</translation>
    </message>
    <message>
        <source>untitled</source>
        <translation>без имени</translation>
    </message>
    <message>
        <source>%1%2 - Workstation</source>
        <translation>%1%2 - Рабочее место</translation>
    </message>
    <message>
        <source>The camera could not be created.</source>
        <translation>Не удалось создать камеру.</translation>
    </message>
    <message>
        <source>Open camera list</source>
        <translation>Открыть список камер</translation>
    </message>
    <message>
        <source>Camera lists (*.xml);;All files (*)</source>
        <translation>Списки камер (*.xml);;Все файлы (*)</translation>
    </message>
    <message>
        <source>Save camera list</source>
        <translation>Сохранить список камер</translation>
    </message>
    <message>
        <source>Camera list changed</source>
        <translation>Список камер изменён</translation>
    </message>
    <message>
        <source>The camera list has changed. Save it?</source>
        <translation>Список камер изменён. Сохранить?</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Map workstation with the camera layer plug-in</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot read the road network %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot play camera &quot;%1&quot;</source>
        <translation>Не удалось показать камеру «%1»</translation>
    </message>
</context>
</TS>
