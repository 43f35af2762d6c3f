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
        <translation>Неверный размер данных в команде &apos;gcam&apos;</translation>
    </message>
    <message>
        <source>Failed to parse &apos;ge2&apos; answer</source>
        <translation>Не удалось разобрать ответ &apos;ge2&apos;</translation>
    </message>
    <message>
        <source>Invalid data size in command &apos;gtrp&apos;</source>
        <translation>Неверный размер данных в команде &apos;gtrp&apos;</translation>
    </message>
    <message>
        <source>Invalid answer to evenet subscription</source>
        <translation>Неверный ответ на подписку на события</translation>
    </message>
    <message>
        <source>Invalid answer to &apos;id&apos; command</source>
        <translation>Неверный ответ на команду &apos;id&apos;</translation>
    </message>
    <message>
        <source>Command answer timeot</source>
        <translation>Нет ответа на команду</translation>
    </message>
    <message>
        <source>Ivalid value for &apos;FrameW&apos;</source>
        <translation>Неверное значение &apos;FrameW&apos;</translation>
    </message>
    <message>
        <source>Ivalid value for &apos;FrameH&apos;</source>
        <translation>Неверное значение &apos;FrameH&apos;</translation>
    </message>
    <message>
        <source>No frame size in answer</source>
        <translation>В ответе нет размера кадра</translation>
    </message>
    <message>
        <source>Invalid sensors state value</source>
        <translation>Неверное значение состояния датчиков</translation>
    </message>
    <message>
        <source>Invalid sensor id in state string</source>
        <translation>Неверный номер датчика в строке состояния</translation>
    </message>
    <message>
        <source>Invalid sensor %1 state value</source>
        <translation>Неверное значение состояния датчика %1</translation>
    </message>
    <message>
        <source>Invalid lines count for &apos;%1&apos;</source>
        <translation>Неверное число линий для &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Invalid sensor id for &apos;%1&apos;</source>
        <translation>Неверный номер датчика для &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Invalid coordiantes value for &apos;%1&apos;</source>
        <translation>Неверные координаты для &apos;%1&apos;</translation>
    </message>
    <message>
        <source>No coordinates for &apos;%1&apos;</source>
        <translation>Нет координат для &apos;%1&apos;</translation>
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
    <name>CamGraphicsItem</name>
    <message>
        <source>opening</source>
        <translation>открывается</translation>
    </message>
    <message>
        <source>playing</source>
        <translation>воспроизводится</translation>
    </message>
    <message>
        <source>stale</source>
        <translation>изображение не обновляется</translation>
    </message>
    <message>
        <source>reconnecting</source>
        <translation>переподключение</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>ошибка</translation>
    </message>
</context>
<context>
    <name>CamListReader</name>
    <message>
        <source>Larger than %1 MiB</source>
        <translation>Больше %1 МиБ</translation>
    </message>
    <message>
        <source>Entity declarations are not allowed</source>
        <translation>Объявления сущностей не допускаются</translation>
    </message>
    <message>
        <source>More than %1 cameras</source>
        <translation>Больше %1 камер</translation>
    </message>
    <message>
        <source>no &quot;%1&quot;</source>
        <translation>нет &quot;%1&quot;</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a number: %2</source>
        <translation>&quot;%1&quot; не число: %2</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is out of range: %2</source>
        <translation>&quot;%1&quot; вне допустимых пределов: %2</translation>
    </message>
    <message>
        <source>view sector %1, %2 left out</source>
        <translation>сектор обзора %1, %2 пропущен</translation>
    </message>
    <message>
        <source>Row %1: %2</source>
        <translation>Строка %1: %2</translation>
    </message>
    <message>
        <source>entry skipped, %1</source>
        <translation>запись пропущена, %1</translation>
    </message>
    <message>
        <source>%1 more warnings</source>
        <translation>ещё предупреждений: %1</translation>
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
    <message>
        <source>Player</source>
        <translation>Проигрыватель</translation>
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
        <translation>объявления сущностей не допускаются</translation>
    </message>
    <message>
        <source>elements nested too deeply</source>
        <translation>слишком глубокая вложенность элементов</translation>
    </message>
</context>
<context>
    <name>DetectorAddress</name>
    <message>
        <source>Invalid detector address</source>
        <translation>Неверный адрес детектора</translation>
    </message>
    <message>
        <source>No port in detector address</source>
        <translation>В адресе детектора нет порта</translation>
    </message>
    <message>
        <source>Control characters in detector user name or password</source>
        <translation>Управляющие символы в имени пользователя или пароле детектора</translation>
    </message>
</context>
<context>
    <name>FtpClient</name>
    <message>
        <source>Unknown error</source>
        <translation>Неизвестная ошибка</translation>
    </message>
    <message>
        <source>Aborted</source>
        <translation>Прервано</translation>
    </message>
    <message>
        <source>Invalid argument</source>
        <translation>Неверный аргумент</translation>
    </message>
    <message>
        <source>Already connected</source>
        <translation>Соединение уже установлено</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>Нет соединения</translation>
    </message>
    <message>
        <source>Invalid passive mode reply</source>
        <translation>Неверный ответ на переход в пассивный режим</translation>
    </message>
    <message>
        <source>Transfer stopped: more than %1 bytes</source>
        <translation>Передача остановлена: больше %1 байт</translation>
    </message>
</context>
<context>
    <name>FtpControlChannel</name>
    <message>
        <source>Connection timed out: the server did not answer</source>
        <translation>Время ожидания соединения истекло: сервер не ответил</translation>
    </message>
    <message>
        <source>Invalid reply from server</source>
        <translation>Неверный ответ сервера</translation>
    </message>
    <message>
        <source>Host %1 not found</source>
        <translation>Узел %1 не найден</translation>
    </message>
    <message>
        <source>Connection refused to host %1</source>
        <translation>Узел %1 отклонил соединение</translation>
    </message>
    <message>
        <source>Connection closed by the server</source>
        <translation>Сервер закрыл соединение</translation>
    </message>
</context>
<context>
    <name>FtpDataChannel</name>
    <message>
        <source>Data connection timed out</source>
        <translation>Время ожидания соединения для данных истекло</translation>
    </message>
    <message>
        <source>Data connection failed: %1</source>
        <translation>Ошибка соединения для данных: %1</translation>
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
        <translation>dd.MM.yyyy</translation>
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
    <message>
        <source>transfer stopped: more than %1 bytes</source>
        <translation>передача остановлена: больше %1 байт</translation>
    </message>
    <message>
        <source>image too large: %1 x %2 pixels</source>
        <translation>изображение слишком большое: %1 x %2 пикселей</translation>
    </message>
</context>
<context>
    <name>MapMenu</name>
    <message>
        <source>New camera here</source>
        <translation>Новая камера здесь</translation>
    </message>
    <message>
        <source>Cameras seeing this point</source>
        <translation>Камеры, которые видят эту точку</translation>
    </message>
    <message>
        <source>No camera sees this point</source>
        <translation>Эту точку не видит ни одна камера</translation>
    </message>
    <message>
        <source>Camera without a name</source>
        <translation>Камера без имени</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message numerus="yes">
        <source>%n more not listed</source>
        <translation>
            <numerusform>ещё %n не показана</numerusform>
            <numerusform>ещё %n не показаны</numerusform>
            <numerusform>ещё %n не показано</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Open the %n nearest</source>
        <translation>
            <numerusform>Открыть %n ближайшую</numerusform>
            <numerusform>Открыть %n ближайшие</numerusform>
            <numerusform>Открыть %n ближайших</numerusform>
        </translation>
    </message>
    <message>
        <source>Open all</source>
        <translation>Открыть все</translation>
    </message>
    <message>
        <source>%1 m</source>
        <translation>%1 м</translation>
    </message>
    <message>
        <source>%1 km</source>
        <translation>%1 км</translation>
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
    <message>
        <source>No map scene to load the cameras into</source>
        <translation>Нет сцены карты, в которую можно загрузить камеры</translation>
    </message>
    <message>
        <source>Error saving file: %1</source>
        <translation>Ошибка сохранения файла: %1</translation>
    </message>
</context>
<context>
    <name>PlayerControls</name>
    <message>
        <source>Save still</source>
        <translation>Сохранить кадр</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>Статистика</translation>
    </message>
    <message>
        <source>Whole picture</source>
        <translation>Всё изображение</translation>
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
        <translation>Компонент Beward ActiveX не найден</translation>
    </message>
    <message>
        <source>Waiting for first frame ...</source>
        <translation>Ожидание первого кадра ...</translation>
    </message>
    <message>
        <source>Restarting player</source>
        <translation>Перезапуск проигрывателя</translation>
    </message>
    <message>
        <source>Error ffmpeg initialization: </source>
        <translation>Ошибка запуска декодера: </translation>
    </message>
    <message>
        <source>Waiting for a free stream slot (%1 playing)</source>
        <translation>Ожидание свободного места для потока (воспроизводится: %1)</translation>
    </message>
    <message>
        <source>Reconnecting in %1 s</source>
        <translation>Переподключение через %1 с</translation>
    </message>
    <message>
        <source>No new picture since %1</source>
        <translation>Нет нового изображения с %1</translation>
    </message>
    <message>
        <source>Resolution: %1 × %2</source>
        <translation>Разрешение: %1 × %2</translation>
    </message>
    <message>
        <source>Codec: %1</source>
        <translation>Кодек: %1</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>неизвестен</translation>
    </message>
    <message>
        <source>Pictures per second: %1</source>
        <translation>Кадров в секунду: %1</translation>
    </message>
    <message>
        <source>Bitrate: %1 kbit/s</source>
        <translation>Битрейт: %1 кбит/с</translation>
    </message>
    <message>
        <source>Pictures per second: -</source>
        <translation>Кадров в секунду: -</translation>
    </message>
    <message>
        <source>Bitrate: -</source>
        <translation>Битрейт: -</translation>
    </message>
    <message>
        <source>Dropped pictures: %1</source>
        <translation>Пропущено кадров: %1</translation>
    </message>
    <message>
        <source>Last picture: none yet</source>
        <translation>Последний кадр: пока нет</translation>
    </message>
    <message>
        <source>Last picture: %1 s ago</source>
        <translation>Последний кадр: %1 с назад</translation>
    </message>
    <message>
        <source>Zoom: %1×</source>
        <translation>Увеличение: %1×</translation>
    </message>
    <message>
        <source>Still not saved: earlier stills are still being written</source>
        <translation>Кадр не сохранён: ещё записываются предыдущие кадры</translation>
    </message>
    <message>
        <source>Error reading frame</source>
        <translation>Ошибка чтения кадра</translation>
    </message>
    <message>
        <source>Error initialization the conversion context</source>
        <translation>Ошибка инициализации контекста преобразования</translation>
    </message>
    <message>
        <source>No frame in 10 sec</source>
        <translation>Нет кадров 10 с</translation>
    </message>
</context>
<context>
    <name>PluginHost</name>
    <message>
        <source>%1 is not a plug-in</source>
        <translation>%1 не является модулем</translation>
    </message>
    <message>
        <source>%1 is not the camera layer plug-in</source>
        <translation>%1 не является модулем слоя камер</translation>
    </message>
</context>
<context>
    <name>ProxySocket</name>
    <message>
        <source>error listening</source>
        <translation>ошибка ожидания соединений</translation>
    </message>
    <message>
        <source>can&apos;t set socket descriptor</source>
        <translation>не удалось установить дескриптор сокета</translation>
    </message>
</context>
<context>
    <name>StillWriter</name>
    <message>
        <source>Still saved to %1</source>
        <translation>Кадр сохранён в %1</translation>
    </message>
    <message>
        <source>Still not saved: the folder for stills does not exist</source>
        <translation>Кадр не сохранён: папка для кадров не существует</translation>
    </message>
    <message>
        <source>Still not saved: the folder for stills is not writable</source>
        <translation>Кадр не сохранён: в папку для кадров нельзя записывать</translation>
    </message>
    <message>
        <source>Still not saved: no picture to save</source>
        <translation>Кадр не сохранён: нет изображения</translation>
    </message>
    <message>
        <source>Still not saved: the file could not be written</source>
        <translation>Кадр не сохранён: не удалось записать файл</translation>
    </message>
</context>
<context>
    <name>StreamAddress</name>
    <message>
        <source>no camera address</source>
        <translation>нет адреса камеры</translation>
    </message>
    <message>
        <source>the address holds control characters</source>
        <translation>в адресе есть управляющие символы</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>не обычный файл</translation>
    </message>
    <message>
        <source>the address scheme &quot;%1&quot; is not allowed</source>
        <translation>схема адреса &quot;%1&quot; не допускается</translation>
    </message>
    <message>
        <source>listening addresses are not allowed</source>
        <translation>адреса ожидания соединений не допускаются</translation>
    </message>
    <message>
        <source>the address has no host</source>
        <translation>в адресе нет узла</translation>
    </message>
</context>
<context>
    <name>StreamDecoder</name>
    <message>
        <source>initFFMpeg exception</source>
        <translation>исключение в initFFMpeg</translation>
    </message>
    <message>
        <source>no answer from the camera</source>
        <translation>камера не отвечает</translation>
    </message>
    <message>
        <source>avformat_open_input error</source>
        <translation>ошибка avformat_open_input</translation>
    </message>
    <message>
        <source>avformat_find_stream_info error</source>
        <translation>ошибка avformat_find_stream_info</translation>
    </message>
    <message>
        <source>No video stream in the source</source>
        <translation>В источнике нет видеопотока</translation>
    </message>
    <message>
        <source>avcodec_find_decoder error</source>
        <translation>ошибка avcodec_find_decoder</translation>
    </message>
    <message>
        <source>avcodec_open2 error</source>
        <translation>ошибка avcodec_open2</translation>
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
    <message>
        <source>Folder for s&amp;tills...</source>
        <translation>Папка для &amp;кадров...</translation>
    </message>
    <message>
        <source>Folder for stills</source>
        <translation>Папка для кадров</translation>
    </message>
    <message>
        <source>Stills go to %1</source>
        <translation>Кадры сохраняются в %1</translation>
    </message>
    <message>
        <source>Stills cannot be saved in %1: the folder does not exist or is not writable. They still go to %2.</source>
        <translation>Кадры нельзя сохранять в %1: папка не существует или в неё нельзя записывать. Они по-прежнему сохраняются в %2.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Map workstation with the camera layer plug-in</source>
        <translation>Рабочее место с картой и модулем слоя камер</translation>
    </message>
    <message>
        <source>Cannot read the road network %1</source>
        <translation>Не удалось прочитать дорожную сеть %1</translation>
    </message>
    <message>
        <source>Cannot play camera &quot;%1&quot;</source>
        <translation>Не удалось показать камеру «%1»</translation>
    </message>
    <message>
        <source>--after takes seconds from 0 to %1, not &quot;%2&quot;</source>
        <translation>--after принимает секунды от 0 до %1, а не &quot;%2&quot;</translation>
    </message>
    <message>
        <source>Cannot write the screenshot %1: %2</source>
        <translation>Не удалось записать снимок экрана %1: %2</translation>
    </message>
</context>
</TS>
