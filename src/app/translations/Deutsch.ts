<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>CAdvanceSettingMasterDlg</name>
    <message>
        <source>Option</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>FAT</source>
        <translation>FAT</translation>
    </message>
    <message>
        <source>NTFS</source>
        <translation>NTFS</translation>
    </message>
    <message>
        <source>Common</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>RAW</source>
        <translation>RAW</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Check DATE field of file descriptors</source>
        <translation>DATUM-Feld der Dateieinträge prüfen</translation>
    </message>
    <message>
        <source>Folder entries whose date is impossible are taken for garbage. Untick it when a camera or player wrote wrong dates and files are missing.</source>
        <translation>Ordnereinträge mit unmöglichem Datum werden als Datenmüll verworfen. Deaktivieren Sie die Option, wenn eine Kamera oder ein Player falsche Daten geschrieben hat und Dateien fehlen.</translation>
    </message>
    <message>
        <source>Check TIME field of file descriptors</source>
        <translation>ZEIT-Feld der Dateieinträge prüfen</translation>
    </message>
    <message>
        <source>The same test for the time of day of each entry.</source>
        <translation>Dieselbe Prüfung für die Uhrzeit jedes Eintrags.</translation>
    </message>
    <message>
        <source>Use first FAT copy</source>
        <translation>Erste FAT-Kopie verwenden</translation>
    </message>
    <message>
        <source>Follow file chains through the first allocation table. Untick it when that copy was overwritten.</source>
        <translation>Dateiketten über die erste Zuordnungstabelle verfolgen. Deaktivieren Sie die Option, wenn diese Kopie überschrieben wurde.</translation>
    </message>
    <message>
        <source>Use second FAT copy</source>
        <translation>Zweite FAT-Kopie verwenden</translation>
    </message>
    <message>
        <source>Use the backup allocation table where the first copy is damaged.</source>
        <translation>Die Sicherungskopie der Zuordnungstabelle verwenden, wo die erste Kopie beschädigt ist.</translation>
    </message>
    <message>
        <source>Use NTFS files for volume size detection</source>
        <translation>NTFS-Dateien zur Ermittlung der Volumegröße verwenden</translation>
    </message>
    <message>
        <source>Take the size of a lost NTFS volume from its own system files when its boot sector is gone.</source>
        <translation>Die Größe eines verlorenen NTFS-Volumes aus dessen eigenen Systemdateien ermitteln, wenn sein Bootsektor fehlt.</translation>
    </message>
    <message>
        <source>Use $MFT file</source>
        <translation>$MFT-Datei verwenden</translation>
    </message>
    <message>
        <source>Read the file records through the master file table&apos;s own map; untick it to search every record sector by sector.</source>
        <translation>Die Dateieinträge über die eigene Zuordnung der Master File Table lesen; deaktivieren Sie die Option, um jeden Eintrag Sektor für Sektor zu suchen.</translation>
    </message>
    <message>
        <source>Show files that belong to $MFT only</source>
        <translation>Nur Dateien anzeigen, die zur $MFT gehören</translation>
    </message>
    <message>
        <source>Leave out records found outside the master file table, such as copies left by an earlier format.</source>
        <translation>Einträge außerhalb der Master File Table auslassen, etwa Kopien, die eine frühere Formatierung hinterlassen hat.</translation>
    </message>
    <message>
        <source>Use Boot Records</source>
        <translation>Bootsektoren verwenden</translation>
    </message>
    <message>
        <source>Trust the boot sectors found on the disk to place volumes. Untick it when they were rewritten by a later format.</source>
        <translation>Volumes anhand der auf dem Datenträger gefundenen Bootsektoren einordnen. Deaktivieren Sie die Option, wenn diese durch eine spätere Formatierung neu geschrieben wurden.</translation>
    </message>
    <message>
        <source>Ignore bad sectors</source>
        <translation>Fehlerhafte Sektoren ignorieren</translation>
    </message>
    <message>
        <source>Read unreadable sectors as zeros and go on, instead of stopping at the first read error.</source>
        <translation>Nicht lesbare Sektoren als Nullen lesen und fortfahren, statt beim ersten Lesefehler anzuhalten.</translation>
    </message>
    <message>
        <source>Recover RAW files:</source>
        <translation>RAW-Dateien wiederherstellen:</translation>
    </message>
    <message>
        <source>Recover RAW files only</source>
        <translation>Nur RAW-Dateien wiederherstellen</translation>
    </message>
    <message>
        <source>Files recognised by their contents where no file system records them. Their names are lost; they are listed by type.</source>
        <translation>Dateien, die an ihrem Inhalt erkannt werden, wo kein Dateisystem sie verzeichnet. Ihre Namen sind verloren; sie werden nach Typ aufgelistet.</translation>
    </message>
    <message>
        <source>Maximal file size:</source>
        <translation>Maximale Dateigröße:</translation>
    </message>
    <message>
        <source>Bytes.</source>
        <translation>Byte.</translation>
    </message>
    <message>
        <source>What file types would you like to recover?</source>
        <translation>Welche Dateitypen möchten Sie wiederherstellen?</translation>
    </message>
    <message>
        <source>3d Studio Max file(.max)</source>
        <translation>3d-Studio-Max-Datei(.max)</translation>
    </message>
    <message>
        <source>ANI file(.ani)</source>
        <translation>ANI-Datei(.ani)</translation>
    </message>
    <message>
        <source>Adobe Illustrator file(.ai)</source>
        <translation>Adobe-Illustrator-Datei(.ai)</translation>
    </message>
    <message>
        <source>Bitmap file(.bmp)</source>
        <translation>Bitmap-Datei(.bmp)</translation>
    </message>
    <message>
        <source>COREL Darw file(.cdr)</source>
        <translation>CorelDRAW-Datei(.cdr)</translation>
    </message>
    <message>
        <source>Corel Draw Corel RAVE Image file(.clk)</source>
        <translation>Corel-R.A.V.E.-Bilddatei(.clk)</translation>
    </message>
    <message>
        <source>Corel Draw Vector Image file(.cmx)</source>
        <translation>Corel-Vektorbilddatei(.cmx)</translation>
    </message>
    <message>
        <source>Corel Photo Paint Image file(.cpt)</source>
        <translation>Corel-Photo-Paint-Bilddatei(.cpt)</translation>
    </message>
    <message>
        <source>Canon Raw graphics file(.crw)</source>
        <translation>Canon-RAW-Bilddatei(.crw)</translation>
    </message>
    <message>
        <source>Cursor file(.cur)</source>
        <translation>Cursordatei(.cur)</translation>
    </message>
    <message>
        <source>AutoCAD Drawing file(.dwg)</source>
        <translation>AutoCAD-Zeichnung(.dwg)</translation>
    </message>
    <message>
        <source>AutoCad DX File(.dxf)</source>
        <translation>AutoCAD-DXF-Datei(.dxf)</translation>
    </message>
    <message>
        <source>Enhanced Metafile(.emf)</source>
        <translation>Erweiterte Metadatei(.emf)</translation>
    </message>
    <message>
        <source>Encapsulated Postscript file(.eps)</source>
        <translation>Encapsulated-PostScript-Datei(.eps)</translation>
    </message>
    <message>
        <source>Freehand 10 file(.fh11)</source>
        <translation>FreeHand-10-Datei(.fh11)</translation>
    </message>
    <message>
        <source>GIF graphics file(.gif)</source>
        <translation>GIF-Bilddatei(.gif)</translation>
    </message>
    <message>
        <source>Icon file(.ico)</source>
        <translation>Symboldatei(.ico)</translation>
    </message>
    <message>
        <source>JPEG Graphics file(.jpg.jpeg)</source>
        <translation>JPEG-Bilddatei(.jpg.jpeg)</translation>
    </message>
    <message>
        <source>Portable Network Graphic file(.png)</source>
        <translation>PNG-Bilddatei(.png)</translation>
    </message>
    <message>
        <source>Adobe Photoshop file(.psd)</source>
        <translation>Adobe-Photoshop-Datei(.psd)</translation>
    </message>
    <message>
        <source>Paint Shop Pro file(.psp)</source>
        <translation>Paint-Shop-Pro-Datei(.psp)</translation>
    </message>
    <message>
        <source>QuattroPro 7 File(.qpw)</source>
        <translation>Quattro-Pro-7-Datei(.qpw)</translation>
    </message>
    <message>
        <source>Corel Presentation File(.shw)</source>
        <translation>Corel-Presentations-Datei(.shw)</translation>
    </message>
    <message>
        <source>Tagged Image File(.tif)</source>
        <translation>TIFF-Bilddatei(.tif)</translation>
    </message>
    <message>
        <source>Nikon Raw File(.nef)</source>
        <translation>Nikon-RAW-Datei(.nef)</translation>
    </message>
    <message>
        <source>Microsoft Word Document(.doc)</source>
        <translation>Microsoft-Word-Dokument(.doc)</translation>
    </message>
    <message>
        <source>Microsoft Word2007(.docx)</source>
        <translation>Microsoft Word 2007(.docx)</translation>
    </message>
    <message>
        <source>Help file(.hlp)</source>
        <translation>Hilfedatei(.hlp)</translation>
    </message>
    <message>
        <source>HTML Documents file(.htm.html)</source>
        <translation>HTML-Dokument(.htm.html)</translation>
    </message>
    <message>
        <source>MOF file(.mof)</source>
        <translation>MOF-Datei(.mof)</translation>
    </message>
    <message>
        <source>Microsoft Project file(.mpp)</source>
        <translation>Microsoft-Project-Datei(.mpp)</translation>
    </message>
    <message>
        <source>Microsoft OneNote file(.one)</source>
        <translation>Microsoft-OneNote-Datei(.one)</translation>
    </message>
    <message>
        <source>Adobe Portable Document(.pdf)</source>
        <translation>Adobe-PDF-Dokument(.pdf)</translation>
    </message>
    <message>
        <source>Microsoft PowerPoint Presentation file(.ppt)</source>
        <translation>Microsoft-PowerPoint-Präsentation(.ppt)</translation>
    </message>
    <message>
        <source>Microsoft PowerPoint2007(.pptx)</source>
        <translation>Microsoft PowerPoint 2007(.pptx)</translation>
    </message>
    <message>
        <source>Rich Text Document(.rtf)</source>
        <translation>Rich-Text-Dokument(.rtf)</translation>
    </message>
    <message>
        <source>True Type Font file(.ttf)</source>
        <translation>TrueType-Schriftart(.ttf)</translation>
    </message>
    <message>
        <source>Microsoft Visio Drawing(.vsd)</source>
        <translation>Microsoft-Visio-Zeichnung(.vsd)</translation>
    </message>
    <message>
        <source>WordPerfect file(.wpd)</source>
        <translation>WordPerfect-Datei(.wpd)</translation>
    </message>
    <message>
        <source>WordPerfect Documents and Graphics v8(.wpg)</source>
        <translation>WordPerfect-Dokumente und -Grafiken v8(.wpg)</translation>
    </message>
    <message>
        <source>Microsoft Excel XML Documents(.xls)</source>
        <translation>Microsoft-Excel-Dokument(.xls)</translation>
    </message>
    <message>
        <source>Microsoft Excel2007(.xlsx)</source>
        <translation>Microsoft Excel 2007(.xlsx)</translation>
    </message>
    <message>
        <source>3DS file (.3ds)</source>
        <translation>3DS-Datei (.3ds)</translation>
    </message>
    <message>
        <source>Cabinet file(.cab)</source>
        <translation>Cabinet-Datei(.cab)</translation>
    </message>
    <message>
        <source>CHM file(.chm)</source>
        <translation>CHM-Datei(.chm)</translation>
    </message>
    <message>
        <source>CSL file(.csl)</source>
        <translation>CSL-Datei(.csl)</translation>
    </message>
    <message>
        <source>GZIP compression file(.gz)</source>
        <translation>GZIP-Archiv(.gz)</translation>
    </message>
    <message>
        <source>LZH compression file(.lzh)</source>
        <translation>LZH-Archiv(.lzh)</translation>
    </message>
    <message>
        <source>RAR compression file(.rar)</source>
        <translation>RAR-Archiv(.rar)</translation>
    </message>
    <message>
        <source>TAR archive file(.tar)</source>
        <translation>TAR-Archiv(.tar)</translation>
    </message>
    <message>
        <source>Zip compression file(.zip)</source>
        <translation>ZIP-Archiv(.zip)</translation>
    </message>
    <message>
        <source>3GP Multimedia file(.3gp)</source>
        <translation>3GP-Multimediadatei(.3gp)</translation>
    </message>
    <message>
        <source>Audio Streaming Format file(.asf)</source>
        <translation>ASF-Streamingdatei(.asf)</translation>
    </message>
    <message>
        <source>AU file(.au)</source>
        <translation>AU-Datei(.au)</translation>
    </message>
    <message>
        <source>Audio Video Interleave file(.avi)</source>
        <translation>AVI-Videodatei(.avi)</translation>
    </message>
    <message>
        <source>Musical Instrument Digital Interface file(.mid)</source>
        <translation>MIDI-Datei(.mid)</translation>
    </message>
    <message>
        <source>MOV Multimedia file(.mov)</source>
        <translation>MOV-Multimediadatei(.mov)</translation>
    </message>
    <message>
        <source>MP3 Music file(.mp3)</source>
        <translation>MP3-Musikdatei(.mp3)</translation>
    </message>
    <message>
        <source>MP4 Multimedia file(.mp4)</source>
        <translation>MP4-Multimediadatei(.mp4)</translation>
    </message>
    <message>
        <source>ShockWave Flash file(.swf)</source>
        <translation>Shockwave-Flash-Datei(.swf)</translation>
    </message>
    <message>
        <source>WAVE Multimedia file(.wav)</source>
        <translation>WAVE-Audiodatei(.wav)</translation>
    </message>
    <message>
        <source>WMF Multimedia file(.wmf)</source>
        <translation>WMF-Datei(.wmf)</translation>
    </message>
    <message>
        <source>Outlook Express Email file(.dbx)</source>
        <translation>Outlook-Express-E-Mail-Datei(.dbx)</translation>
    </message>
    <message>
        <source>Outlook Email file(.pst)</source>
        <translation>Outlook-E-Mail-Datei(.pst)</translation>
    </message>
    <message>
        <source>Access Project file(.adp)</source>
        <translation>Access-Projektdatei(.adp)</translation>
    </message>
    <message>
        <source>Access Database file(.mdb)</source>
        <translation>Access-Datenbank(.mdb)</translation>
    </message>
    <message>
        <source>Microsoft Money file(.mny)</source>
        <translation>Microsoft-Money-Datei(.mny)</translation>
    </message>
    <message>
        <source>Access Database file(.accdb)</source>
        <translation>Access-Datenbank(.accdb)</translation>
    </message>
    <message>
        <source>Graphics</source>
        <translation>Grafiken</translation>
    </message>
    <message>
        <source>Documents</source>
        <translation>Dokumente</translation>
    </message>
    <message>
        <source>Archives</source>
        <translation>Archive</translation>
    </message>
    <message>
        <source>Multimedia</source>
        <translation>Multimedia</translation>
    </message>
    <message>
        <source>Email</source>
        <translation>E-Mail</translation>
    </message>
    <message>
        <source>Databases and Financials</source>
        <translation>Datenbanken und Finanzen</translation>
    </message>
</context>
<context>
    <name>CAttributesStates</name>
    <message>
        <source>About States</source>
        <translation>Über die Dateizustände</translation>
    </message>
    <message>
        <source>An existing file</source>
        <translation>Eine vorhandene Datei</translation>
    </message>
    <message>
        <source>A deleted file</source>
        <translation>Eine gelöschte Datei</translation>
    </message>
    <message>
        <source>A compressed file</source>
        <translation>Eine komprimierte Datei</translation>
    </message>
    <message>
        <source>An encrypted file</source>
        <translation>Eine verschlüsselte Datei</translation>
    </message>
    <message>
        <source>A damaged file: its data is incomplete or overwritten</source>
        <translation>Eine beschädigte Datei: ihre Daten sind unvollständig oder überschrieben</translation>
    </message>
</context>
<context>
    <name>CCompressController</name>
    <message>
        <source>The index file cannot be created</source>
        <translation>Die Indexdatei kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>The index file cannot be written</source>
        <translation>Die Indexdatei kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>The part list cannot be created</source>
        <translation>Die Teileliste kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>The first part file cannot be created</source>
        <translation>Die erste Teildatei kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>The source&apos;s sector size cannot be imaged</source>
        <translation>Die Sektorgröße der Quelle kann nicht abgebildet werden</translation>
    </message>
    <message>
        <source>Nothing to image</source>
        <translation>Nichts abzubilden</translation>
    </message>
    <message>
        <source>The region is too large for one image</source>
        <translation>Der Bereich ist für ein Image zu groß</translation>
    </message>
    <message>
        <source>The image needs more than 58 parts; choose a larger split size</source>
        <translation>Das Image braucht mehr als 58 Teile; wählen Sie eine größere Teilgröße</translation>
    </message>
    <message>
        <source>The next part file cannot be created</source>
        <translation>Die nächste Teildatei kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>A part file would pass 4 GiB; choose a smaller split size</source>
        <translation>Eine Teildatei würde 4 GiB überschreiten; wählen Sie eine kleinere Teilgröße</translation>
    </message>
    <message>
        <source>A block cannot be written; is the destination full?</source>
        <translation>Ein Block kann nicht geschrieben werden; ist das Ziel voll?</translation>
    </message>
</context>
<context>
    <name>CDeviceCollector</name>
    <message>
        <source>This image file is open!</source>
        <translation>Diese Image-Datei ist bereits geöffnet!</translation>
    </message>
    <message>
        <source>This is an invalid image file, please check it!</source>
        <translation>Dies ist keine gültige Image-Datei. Bitte überprüfen Sie sie!</translation>
    </message>
    <message>
        <source>This image has been destroyed. </source>
        <translation>Dieses Image ist beschädigt. </translation>
    </message>
    <message>
        <source>Image File, %1</source>
        <translation>Image-Datei, %1</translation>
    </message>
    <message>
        <source>Previous Recovery...</source>
        <translation>Vorherige Wiederherstellung...</translation>
    </message>
    <message>
        <source>No disk of this computer can be opened: reading disks needs administrator rights (run as root, or as a member of the &quot;disk&quot; group). Disk images can still be opened.</source>
        <translation>Keiner der Datenträger dieses Computers kann geöffnet werden: Zum Lesen von Datenträgern sind Administratorrechte nötig (als root oder als Mitglied der Gruppe „disk“ ausführen). Disk-Images können weiterhin geöffnet werden.</translation>
    </message>
    <message>
        <source>No disk of this computer can be opened: the system refused access to the disks, even to the administrator. A disk image file can be opened instead (Disk Image, Open Disk Image, or Ctrl+O).</source>
        <translation>Keiner der Datenträger dieses Computers kann geöffnet werden: Das System verweigert den Zugriff auf die Datenträger, auch dem Administrator. Stattdessen kann eine Disk-Image-Datei geöffnet werden (Disk-Image, Disk-Image öffnen oder Strg+O).</translation>
    </message>
</context>
<context>
    <name>CDeviceListPage</name>
    <message>
        <source>The imported file (rsf) does not match the current version. Please import it with the previous version or scan the disk again.</source>
        <translation>Die importierte Datei (rsf) passt nicht zur aktuellen Version. Bitte importieren Sie sie mit der vorherigen Version oder durchsuchen Sie den Datenträger erneut.</translation>
    </message>
</context>
<context>
    <name>CDeviceSelectCtrl</name>
    <message>
        <source>Device</source>
        <translation>Gerät</translation>
    </message>
    <message>
        <source>Capacity</source>
        <translation>Kapazität</translation>
    </message>
    <message>
        <source> Information</source>
        <translation> Informationen</translation>
    </message>
    <message>
        <source>Disk</source>
        <translation>Datenträger</translation>
    </message>
    <message>
        <source>Partition</source>
        <translation>Partition</translation>
    </message>
</context>
<context>
    <name>CDeviceSelectPage</name>
    <message>
        <source>Open Disk Image</source>
        <translation>Disk-Image öffnen</translation>
    </message>
    <message>
        <source>Open Raw Image File</source>
        <translation>RAW-Image-Datei öffnen</translation>
    </message>
    <message>
        <source>All files (*);;Disk images (*.img *.dd *.raw *.bin *.iso *.qmi)</source>
        <translation>Alle Dateien (*);;Disk-Images (*.img *.dd *.raw *.bin *.iso *.qmi)</translation>
    </message>
</context>
<context>
    <name>CFileTypeNameTable</name>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
</context>
<context>
    <name>CHasCheckboxPromptDlg</name>
    <message>
        <source>Don&apos;t show this message again.</source>
        <translation>Diese Meldung nicht mehr anzeigen.</translation>
    </message>
</context>
<context>
    <name>CHyperLink</name>
    <message>
        <source>Unable to open hyperlink:

</source>
        <translation>Der Link kann nicht geöffnet werden:

</translation>
    </message>
    <message>
        <source>Path Invalid!</source>
        <translation>Ungültiger Pfad!</translation>
    </message>
    <message>
        <source>The specified file is not found.</source>
        <translation>Die angegebene Datei wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>There is no application associated
with the given filename extension.</source>
        <translation>Der Dateinamenerweiterung ist
keine Anwendung zugeordnet.</translation>
    </message>
</context>
<context>
    <name>CIntelligentSearchingDialog</name>
    <message>
        <source>Partition Tables:</source>
        <translation>Partitionstabellen:</translation>
    </message>
    <message>
        <source>FAT Boot Records:</source>
        <translation>FAT-Bootsektoren:</translation>
    </message>
    <message>
        <source>FAT Folders:</source>
        <translation>FAT-Ordner:</translation>
    </message>
    <message>
        <source>FAT Folder Parts:</source>
        <translation>FAT-Ordnerteile:</translation>
    </message>
    <message>
        <source>NTFS Boot Records:</source>
        <translation>NTFS-Bootsektoren:</translation>
    </message>
    <message>
        <source>NTFS File Records:</source>
        <translation>NTFS-Dateieinträge:</translation>
    </message>
    <message>
        <source>Files Identified:</source>
        <translation>Erkannte Dateien:</translation>
    </message>
    <message>
        <source>Total Files Found:</source>
        <translation>Gefundene Dateien insgesamt:</translation>
    </message>
    <message>
        <source>Intelligent Searching</source>
        <translation>Intelligente Suche</translation>
    </message>
    <message>
        <source>Show all counters</source>
        <translation>Alle Zähler anzeigen</translation>
    </message>
    <message>
        <source>Show the total only</source>
        <translation>Nur die Summe anzeigen</translation>
    </message>
    <message>
        <source>Elapsed Time:</source>
        <translation>Verstrichene Zeit:</translation>
    </message>
    <message>
        <source>Remaining Time:</source>
        <translation>Restzeit:</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>CLostPartitionSearchingDialog</name>
    <message>
        <source>Quick Partition Searching</source>
        <translation>Schnelle Partitionssuche</translation>
    </message>
    <message>
        <source>Elasped Time:</source>
        <translation>Verstrichene Zeit:</translation>
    </message>
    <message>
        <source>Remaining Time:</source>
        <translation>Restzeit:</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>CLostRecoveryPartitionDeviceSelectController</name>
    <message>
        <source>The build was stopped: the files shown may be incomplete.</source>
        <translation>Der Aufbau wurde abgebrochen: Die angezeigten Dateien sind möglicherweise unvollständig.</translation>
    </message>
</context>
<context>
    <name>CMultipleChoosePartitionListCtrl</name>
    <message>
        <source>Partition</source>
        <translation>Partition</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Suggestion</source>
        <translation>Empfehlung</translation>
    </message>
    <message>
        <source>Option</source>
        <translation>Option</translation>
    </message>
    <message>
        <source>Files Match</source>
        <translation>Passende Dateien</translation>
    </message>
    <message>
        <source>Folder Match</source>
        <translation>Passende Ordner</translation>
    </message>
    <message>
        <source>(recommended)</source>
        <translation>(empfohlen)</translation>
    </message>
    <message>
        <source>High</source>
        <translation>Hoch</translation>
    </message>
    <message>
        <source>Medium</source>
        <translation>Mittel</translation>
    </message>
    <message>
        <source>Low</source>
        <translation>Niedrig</translation>
    </message>
    <message>
        <source>$MFT Only</source>
        <translation>Nur $MFT</translation>
    </message>
    <message>
        <source>Partition %1 %2</source>
        <translation>Partition %1 %2</translation>
    </message>
</context>
<context>
    <name>CPartitionLayoutFrame</name>
    <message>
        <source>Partitions layout on the disk image</source>
        <translation>Aufteilung der Partitionen im Disk-Image</translation>
    </message>
    <message>
        <source>Partitions layout on the partition</source>
        <translation>Aufteilung der Partitionen in der Partition</translation>
    </message>
    <message>
        <source>Partitions layout on the disk </source>
        <translation>Aufteilung der Partitionen auf dem Datenträger </translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
</context>
<context>
    <name>CPartitionLayoutView</name>
    <message>
        <source>Rank</source>
        <translation>Rang</translation>
    </message>
</context>
<context>
    <name>CPropertiesDlg</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Sector</source>
        <translation>Sektor</translation>
    </message>
    <message>
        <source>Cluster</source>
        <translation>Cluster</translation>
    </message>
    <message>
        <source>Parent</source>
        <translation>Übergeordnet</translation>
    </message>
    <message>
        <source>Parent Sector</source>
        <translation>Sektor des übergeordneten Eintrags</translation>
    </message>
    <message>
        <source>Deleted</source>
        <translation>Gelöscht</translation>
    </message>
    <message>
        <source>Lost</source>
        <translation>Verloren</translation>
    </message>
    <message>
        <source>Cross Link</source>
        <translation>Querverbindung</translation>
    </message>
    <message>
        <source>Temp</source>
        <translation>Temporär</translation>
    </message>
    <message>
        <source>Lay out</source>
        <translation>Anordnung</translation>
    </message>
    <message>
        <source>Record sector</source>
        <translation>Sektor des Eintrags</translation>
    </message>
    <message>
        <source>Compressed</source>
        <translation>Komprimiert</translation>
    </message>
    <message>
        <source>Encrypted</source>
        <translation>Verschlüsselt</translation>
    </message>
    <message>
        <source>Resident</source>
        <translation>Resident</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Offset</source>
        <translation>Offset</translation>
    </message>
    <message>
        <source>DataAreaSector</source>
        <translation>Sektor des Datenbereichs</translation>
    </message>
    <message>
        <source>Start Sector</source>
        <translation>Startsektor</translation>
    </message>
    <message>
        <source>Sector Per Cluster</source>
        <translation>Sektoren pro Cluster</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>Damaged</source>
        <translation>Beschädigt</translation>
    </message>
</context>
<context>
    <name>CSaveFileController</name>
    <message>
        <source>The recovered files cannot be saved to the drive they are recovered from. Please select a folder on another drive.</source>
        <translation>Die wiederhergestellten Dateien können nicht auf dem Laufwerk gespeichert werden, von dem sie wiederhergestellt werden. Bitte wählen Sie einen Ordner auf einem anderen Laufwerk.</translation>
    </message>
</context>
<context>
    <name>CSaveFilePathDlg</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>CSaveResultPage</name>
    <message>
        <source>Recovery stopped</source>
        <translation>Wiederherstellung angehalten</translation>
    </message>
    <message>
        <source>%1 of %2 files could not be recovered</source>
        <translation>%1 von %2 Dateien konnten nicht wiederhergestellt werden</translation>
    </message>
    <message>
        <source>Recovery Completed</source>
        <translation>Wiederherstellung abgeschlossen</translation>
    </message>
    <message>
        <source>Folders made:</source>
        <translation>Angelegte Ordner:</translation>
    </message>
    <message>
        <source>Double-click a folder to open it.</source>
        <translation>Doppelklicken Sie auf einen Ordner, um ihn zu öffnen.</translation>
    </message>
    <message>
        <source>Files are saved in:</source>
        <translation>Die Dateien wurden gespeichert in:</translation>
    </message>
    <message>
        <source>Selected files: %1</source>
        <translation>Ausgewählte Dateien: %1</translation>
    </message>
    <message>
        <source>Recovered files: %1</source>
        <translation>Wiederhergestellte Dateien: %1</translation>
    </message>
    <message>
        <source>Files not recovered: %1</source>
        <translation>Nicht wiederhergestellte Dateien: %1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CScanPartitionPropertiesDlg</name>
    <message>
        <source>Scan Partition Properties</source>
        <translation>Eigenschaften der gefundenen Partition</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>  From first boot record</source>
        <translation>  Aus dem ersten Bootsektor</translation>
    </message>
    <message>
        <source>  From last boot record</source>
        <translation>  Aus dem letzten Bootsektor</translation>
    </message>
    <message>
        <source>  From mft files pair</source>
        <translation>  Aus dem MFT-Dateipaar</translation>
    </message>
    <message>
        <source>  From single $mft</source>
        <translation>  Aus einer einzelnen $MFT</translation>
    </message>
    <message>
        <source>  From $mftMirr</source>
        <translation>  Aus $MFTMirr</translation>
    </message>
    <message>
        <source>  From index/folder comparision</source>
        <translation>  Aus dem Index-/Ordnervergleich</translation>
    </message>
    <message>
        <source>  From First RSTR</source>
        <translation>  Aus dem ersten RSTR</translation>
    </message>
    <message>
        <source>  From Second RSTR</source>
        <translation>  Aus dem zweiten RSTR</translation>
    </message>
    <message>
        <source>  From files analysis</source>
        <translation>  Aus der Dateianalyse</translation>
    </message>
    <message>
        <source>partition sectors count</source>
        <translation>Sektoren der Partition</translation>
    </message>
    <message>
        <source>data area start sector</source>
        <translation>Startsektor des Datenbereichs</translation>
    </message>
    <message>
        <source>sectors per cluster</source>
        <translation>Sektoren pro Cluster</translation>
    </message>
    <message>
        <source>Total Clusters</source>
        <translation>Cluster insgesamt</translation>
    </message>
    <message>
        <source>Use$MFT</source>
        <translation>$MFT verwenden</translation>
    </message>
    <message>
        <source>ProcessFilesfrom$MFTonly</source>
        <translation>Nur Dateien aus $MFT verarbeiten</translation>
    </message>
    <message>
        <source>Folders match</source>
        <translation>Passende Ordner</translation>
    </message>
    <message>
        <source>Files match</source>
        <translation>Passende Dateien</translation>
    </message>
    <message>
        <source>Sectors per $mft file record</source>
        <translation>Sektoren pro $MFT-Dateieintrag</translation>
    </message>
    <message>
        <source>$LogFileMatch</source>
        <translation>$LogFile-Treffer</translation>
    </message>
    <message>
        <source>$AttrDefMatch</source>
        <translation>$AttrDef-Treffer</translation>
    </message>
    <message>
        <source>$UpcaseMatch</source>
        <translation>$UpCase-Treffer</translation>
    </message>
    <message>
        <source>$MFTSector</source>
        <translation>$MFT-Sektor</translation>
    </message>
    <message>
        <source>$LogFileSector</source>
        <translation>$LogFile-Sektor</translation>
    </message>
    <message>
        <source>$AttrDefSector</source>
        <translation>$AttrDef-Sektor</translation>
    </message>
    <message>
        <source>$UpcaseSector</source>
        <translation>$UpCase-Sektor</translation>
    </message>
    <message>
        <source>SectorsCountfromSystemFiles</source>
        <translation>Sektoren laut Systemdateien</translation>
    </message>
    <message>
        <source>Rank</source>
        <translation>Rang</translation>
    </message>
    <message>
        <source>File System</source>
        <translation>Dateisystem</translation>
    </message>
    <message>
        <source>From FAT32 DBR</source>
        <translation>Aus FAT32-DBR</translation>
    </message>
    <message>
        <source>From FAT32 Backup DBR</source>
        <translation>Aus FAT32-Sicherungs-DBR</translation>
    </message>
    <message>
        <source>From FAT16 DBR</source>
        <translation>Aus FAT16-DBR</translation>
    </message>
    <message>
        <source>From FAT12 DBR</source>
        <translation>Aus FAT12-DBR</translation>
    </message>
    <message>
        <source>From folders analysis</source>
        <translation>Aus der Ordneranalyse</translation>
    </message>
    <message>
        <source>From files analysis</source>
        <translation>Aus der Dateianalyse</translation>
    </message>
    <message>
        <source>Partition Start Sector</source>
        <translation>Startsektor der Partition</translation>
    </message>
    <message>
        <source>Reversed Sector</source>
        <translation>Reservierte Sektoren</translation>
    </message>
    <message>
        <source>Found FAT1</source>
        <translation>FAT1 gefunden</translation>
    </message>
    <message>
        <source>Found FAT2</source>
        <translation>FAT2 gefunden</translation>
    </message>
    <message>
        <source>Sectors Per FAT</source>
        <translation>Sektoren pro FAT</translation>
    </message>
    <message>
        <source>Data Area Start Sector</source>
        <translation>Startsektor des Datenbereichs</translation>
    </message>
    <message>
        <source>Sectors Per Cluster</source>
        <translation>Sektoren pro Cluster</translation>
    </message>
    <message>
        <source>Partition Sectors Count</source>
        <translation>Sektoren der Partition</translation>
    </message>
    <message>
        <source>Start Sector</source>
        <translation>Startsektor</translation>
    </message>
    <message>
        <source>Total Sector</source>
        <translation>Sektoren insgesamt</translation>
    </message>
</context>
<context>
    <name>CWaitingDlg</name>
    <message>
        <source>Please wait, scanning system...</source>
        <translation>Bitte warten, das System wird durchsucht...</translation>
    </message>
</context>
<context>
    <name>CWizardSheet</name>
    <message>
        <source>Deleted File Recovery: the list of volumes comes with the device step.</source>
        <translation>Gelöschte Dateien: Die Liste der Volumes folgt im Geräteschritt.</translation>
    </message>
    <message>
        <source>Format Recovery: the list of volumes and images comes with the device step.</source>
        <translation>Formatierte Laufwerke: Die Liste der Volumes und Images folgt im Geräteschritt.</translation>
    </message>
    <message>
        <source>Partition Recovery: the list of disks comes with the device step.</source>
        <translation>Verlorene Partitionen: Die Liste der Datenträger folgt im Geräteschritt.</translation>
    </message>
    <message>
        <source>Found partitions</source>
        <translation>Gefundene Partitionen</translation>
    </message>
    <message>
        <source>Recovery result</source>
        <translation>Ergebnis der Wiederherstellung</translation>
    </message>
    <message>
        <source>Save files</source>
        <translation>Dateien speichern</translation>
    </message>
    <message>
        <source>Partitions found on the device</source>
        <translation>Auf dem Gerät gefundene Partitionen</translation>
    </message>
    <message>
        <source>Partitions found on the disk</source>
        <translation>Auf dem Datenträger gefundene Partitionen</translation>
    </message>
    <message>
        <source>Files found</source>
        <translation>Gefundene Dateien</translation>
    </message>
    <message>
        <source>Where did you lose your files?</source>
        <translation>Wo haben Sie Ihre Dateien verloren?</translation>
    </message>
    <message>
        <source>Please select files and click Recover to recover.</source>
        <translation>Bitte wählen Sie Dateien aus und klicken Sie auf „Wiederherstellen“.</translation>
    </message>
    <message>
        <source>Deleted Recovery</source>
        <translation>Gelöschte Dateien</translation>
    </message>
    <message>
        <source>Photo Recovery</source>
        <translation>Foto-Wiederherstellung</translation>
    </message>
    <message>
        <source>Format Recovery</source>
        <translation>Formatierte Laufwerke</translation>
    </message>
    <message>
        <source>Partition Recovery</source>
        <translation>Verlorene Partitionen</translation>
    </message>
    <message>
        <source>Data recovery in a few steps: choose how your files were lost.</source>
        <translation>Datenrettung in wenigen Schritten: Wählen Sie, wie Ihre Dateien verloren gingen.</translation>
    </message>
    <message>
        <source>Please select partition that may contain your data.</source>
        <translation>Bitte wählen Sie die Partition, die Ihre Daten enthalten könnte.</translation>
    </message>
    <message>
        <source>Home</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Weiter</translation>
    </message>
    <message>
        <source>Recover</source>
        <translation>Wiederherstellen</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Website</source>
        <translation>Website</translation>
    </message>
    <message>
        <source>Support</source>
        <translation>Support</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
</context>
<context>
    <name>DevicePageMenus</name>
    <message>
        <source>Disk Image</source>
        <translation>Disk-Image</translation>
    </message>
    <message>
        <source>Open Disk Image</source>
        <translation>Disk-Image öffnen</translation>
    </message>
    <message>
        <source>Delete Image</source>
        <translation>Image entfernen</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Fortsetzen</translation>
    </message>
    <message>
        <source>Recover</source>
        <translation>Wiederherstellen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Properties</source>
        <translation>Eigenschaften</translation>
    </message>
</context>
<context>
    <name>FileFilter</name>
    <message>
        <source>All File Types</source>
        <translation>Alle Dateitypen</translation>
    </message>
    <message>
        <source>Documents</source>
        <translation>Dokumente</translation>
    </message>
    <message>
        <source>Docs</source>
        <translation>Dokumente</translation>
    </message>
    <message>
        <source>Word, Excel, PowerPoint, PDF, text and other office documents</source>
        <translation>Word, Excel, PowerPoint, PDF, Text und andere Bürodokumente</translation>
    </message>
    <message>
        <source>Microsoft Word Document</source>
        <translation>Microsoft-Word-Dokument</translation>
    </message>
    <message>
        <source>Microsoft Word Open XML Document</source>
        <translation>Microsoft-Word-Open-XML-Dokument</translation>
    </message>
    <message>
        <source>Microsoft Excel Spreadsheet</source>
        <translation>Microsoft-Excel-Tabelle</translation>
    </message>
    <message>
        <source>Microsoft Excel Open XML Spreadsheet</source>
        <translation>Microsoft-Excel-Open-XML-Tabelle</translation>
    </message>
    <message>
        <source>Microsoft PowerPoint Presentation</source>
        <translation>Microsoft-PowerPoint-Präsentation</translation>
    </message>
    <message>
        <source>Microsoft PowerPoint Open XML Presentation</source>
        <translation>Microsoft-PowerPoint-Open-XML-Präsentation</translation>
    </message>
    <message>
        <source>Microsoft OneNote Notebook</source>
        <translation>Microsoft-OneNote-Notizbuch</translation>
    </message>
    <message>
        <source>Microsoft Publisher Document</source>
        <translation>Microsoft-Publisher-Dokument</translation>
    </message>
    <message>
        <source>Microsoft Project File</source>
        <translation>Microsoft-Project-Datei</translation>
    </message>
    <message>
        <source>Microsoft Visio Drawing</source>
        <translation>Microsoft-Visio-Zeichnung</translation>
    </message>
    <message>
        <source>Compound Document (OLE)</source>
        <translation>Verbunddokument (OLE)</translation>
    </message>
    <message>
        <source>Adobe PDF Document</source>
        <translation>Adobe-PDF-Dokument</translation>
    </message>
    <message>
        <source>Rich Text Format Document</source>
        <translation>Rich-Text-Dokument</translation>
    </message>
    <message>
        <source>WordPerfect Document</source>
        <translation>WordPerfect-Dokument</translation>
    </message>
    <message>
        <source>Corel Presentations Slide Show</source>
        <translation>Corel-Presentations-Bildschirmpräsentation</translation>
    </message>
    <message>
        <source>Quattro Pro Spreadsheet</source>
        <translation>Quattro-Pro-Tabelle</translation>
    </message>
    <message>
        <source>OpenDocument Files</source>
        <translation>OpenDocument-Dateien</translation>
    </message>
    <message>
        <source>Web Page</source>
        <translation>Webseite</translation>
    </message>
    <message>
        <source>Text Document</source>
        <translation>Textdokument</translation>
    </message>
    <message>
        <source>Compiled Help File</source>
        <translation>Kompilierte Hilfedatei</translation>
    </message>
    <message>
        <source>Windows Help File</source>
        <translation>Windows-Hilfedatei</translation>
    </message>
    <message>
        <source>Pictures</source>
        <translation>Bilder</translation>
    </message>
    <message>
        <source>Photos, camera raw files, drawings and icons</source>
        <translation>Fotos, Kamera-RAW-Dateien, Zeichnungen und Symbole</translation>
    </message>
    <message>
        <source>JPEG Image</source>
        <translation>JPEG-Bild</translation>
    </message>
    <message>
        <source>PNG Image</source>
        <translation>PNG-Bild</translation>
    </message>
    <message>
        <source>GIF Image</source>
        <translation>GIF-Bild</translation>
    </message>
    <message>
        <source>Bitmap Image</source>
        <translation>Bitmap-Bild</translation>
    </message>
    <message>
        <source>TIFF Image</source>
        <translation>TIFF-Bild</translation>
    </message>
    <message>
        <source>Canon Raw Image</source>
        <translation>Canon-RAW-Bild</translation>
    </message>
    <message>
        <source>Nikon Raw Image</source>
        <translation>Nikon-RAW-Bild</translation>
    </message>
    <message>
        <source>Other Camera Raw Image</source>
        <translation>Anderes Kamera-RAW-Bild</translation>
    </message>
    <message>
        <source>Adobe Photoshop Image</source>
        <translation>Adobe-Photoshop-Bild</translation>
    </message>
    <message>
        <source>Paint Shop Pro Image</source>
        <translation>Paint-Shop-Pro-Bild</translation>
    </message>
    <message>
        <source>Icon</source>
        <translation>Symbol</translation>
    </message>
    <message>
        <source>Cursor</source>
        <translation>Mauszeiger</translation>
    </message>
    <message>
        <source>Animated Cursor</source>
        <translation>Animierter Mauszeiger</translation>
    </message>
    <message>
        <source>Windows Metafile</source>
        <translation>Windows-Metadatei</translation>
    </message>
    <message>
        <source>Enhanced Metafile</source>
        <translation>Erweiterte Metadatei</translation>
    </message>
    <message>
        <source>WordPerfect Graphic</source>
        <translation>WordPerfect-Grafik</translation>
    </message>
    <message>
        <source>CorelDRAW Drawing</source>
        <translation>CorelDRAW-Zeichnung</translation>
    </message>
    <message>
        <source>Corel Presentation Exchange</source>
        <translation>Corel Presentation Exchange</translation>
    </message>
    <message>
        <source>Corel Photo-Paint Image</source>
        <translation>Corel-Photo-Paint-Bild</translation>
    </message>
    <message>
        <source>Corel R.A.V.E. Animation</source>
        <translation>Corel-R.A.V.E.-Animation</translation>
    </message>
    <message>
        <source>Corel Symbol Library</source>
        <translation>Corel-Symbolbibliothek</translation>
    </message>
    <message>
        <source>Adobe Illustrator Drawing</source>
        <translation>Adobe-Illustrator-Zeichnung</translation>
    </message>
    <message>
        <source>Encapsulated PostScript</source>
        <translation>Encapsulated PostScript</translation>
    </message>
    <message>
        <source>FreeHand Drawing</source>
        <translation>FreeHand-Zeichnung</translation>
    </message>
    <message>
        <source>AutoCAD Drawing</source>
        <translation>AutoCAD-Zeichnung</translation>
    </message>
    <message>
        <source>Drawing Exchange Format</source>
        <translation>Drawing Exchange Format (DXF)</translation>
    </message>
    <message>
        <source>3D Studio Scene</source>
        <translation>3D-Studio-Szene</translation>
    </message>
    <message>
        <source>3ds Max Scene</source>
        <translation>3ds-Max-Szene</translation>
    </message>
    <message>
        <source>Scalable Vector Graphics</source>
        <translation>SVG-Vektorgrafik</translation>
    </message>
    <message>
        <source>WebP Image</source>
        <translation>WebP-Bild</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Music</source>
        <translation>Musik</translation>
    </message>
    <message>
        <source>MP3, WAV, MIDI and other sound files</source>
        <translation>MP3, WAV, MIDI und andere Audiodateien</translation>
    </message>
    <message>
        <source>MP3 Audio</source>
        <translation>MP3-Audio</translation>
    </message>
    <message>
        <source>Wave Audio</source>
        <translation>WAVE-Audio</translation>
    </message>
    <message>
        <source>RIFF File</source>
        <translation>RIFF-Datei</translation>
    </message>
    <message>
        <source>MIDI Sequence</source>
        <translation>MIDI-Sequenz</translation>
    </message>
    <message>
        <source>Sun Audio</source>
        <translation>Sun-Audio</translation>
    </message>
    <message>
        <source>Windows Media Audio</source>
        <translation>Windows Media Audio</translation>
    </message>
    <message>
        <source>Other Audio</source>
        <translation>Andere Audiodateien</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>Videos</source>
        <translation>Videos</translation>
    </message>
    <message>
        <source>Films from cameras and phones, Flash and media files</source>
        <translation>Filme von Kameras und Telefonen, Flash- und Mediendateien</translation>
    </message>
    <message>
        <source>AVI Video</source>
        <translation>AVI-Video</translation>
    </message>
    <message>
        <source>QuickTime Movie</source>
        <translation>QuickTime-Film</translation>
    </message>
    <message>
        <source>MPEG-4 Video</source>
        <translation>MPEG-4-Video</translation>
    </message>
    <message>
        <source>3GPP Video</source>
        <translation>3GPP-Video</translation>
    </message>
    <message>
        <source>Advanced Systems Format</source>
        <translation>Advanced Systems Format (ASF)</translation>
    </message>
    <message>
        <source>Shockwave Flash</source>
        <translation>Shockwave Flash</translation>
    </message>
    <message>
        <source>Other Video</source>
        <translation>Andere Videos</translation>
    </message>
    <message>
        <source>Archives</source>
        <translation>Archive</translation>
    </message>
    <message>
        <source>ZIP, RAR, cabinet and other compressed files</source>
        <translation>ZIP, RAR, Cabinet und andere komprimierte Dateien</translation>
    </message>
    <message>
        <source>ZIP Archive</source>
        <translation>ZIP-Archiv</translation>
    </message>
    <message>
        <source>RAR Archive</source>
        <translation>RAR-Archiv</translation>
    </message>
    <message>
        <source>Cabinet File</source>
        <translation>Cabinet-Datei</translation>
    </message>
    <message>
        <source>Gzip Archive</source>
        <translation>Gzip-Archiv</translation>
    </message>
    <message>
        <source>Tape Archive</source>
        <translation>TAR-Archiv</translation>
    </message>
    <message>
        <source>LZH Archive</source>
        <translation>LZH-Archiv</translation>
    </message>
    <message>
        <source>Other Archive</source>
        <translation>Andere Archive</translation>
    </message>
    <message>
        <source>E-mail and Databases</source>
        <translation>E-Mail und Datenbanken</translation>
    </message>
    <message>
        <source>Mail</source>
        <translation>E-Mail</translation>
    </message>
    <message>
        <source>Outlook and Outlook Express mail, Access and Money files</source>
        <translation>E-Mails aus Outlook und Outlook Express, Access- und Money-Dateien</translation>
    </message>
    <message>
        <source>Outlook Personal Folders</source>
        <translation>Outlook – Persönliche Ordner</translation>
    </message>
    <message>
        <source>Outlook Express Mail Folder</source>
        <translation>Outlook-Express-E-Mail-Ordner</translation>
    </message>
    <message>
        <source>E-mail Message</source>
        <translation>E-Mail-Nachricht</translation>
    </message>
    <message>
        <source>Microsoft Access Database</source>
        <translation>Microsoft-Access-Datenbank</translation>
    </message>
    <message>
        <source>Microsoft Access 2007 Database</source>
        <translation>Microsoft-Access-2007-Datenbank</translation>
    </message>
    <message>
        <source>Microsoft Access Project</source>
        <translation>Microsoft-Access-Projekt</translation>
    </message>
    <message>
        <source>Microsoft Money File</source>
        <translation>Microsoft-Money-Datei</translation>
    </message>
    <message>
        <source>Programs and Fonts</source>
        <translation>Programme und Schriftarten</translation>
    </message>
    <message>
        <source>Programs</source>
        <translation>Programme</translation>
    </message>
    <message>
        <source>Programs, libraries, fonts and system files</source>
        <translation>Programme, Bibliotheken, Schriftarten und Systemdateien</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>Programm</translation>
    </message>
    <message>
        <source>Program Library</source>
        <translation>Programmbibliothek</translation>
    </message>
    <message>
        <source>TrueType Font</source>
        <translation>TrueType-Schriftart</translation>
    </message>
    <message>
        <source>Managed Object Format</source>
        <translation>Managed Object Format (MOF)</translation>
    </message>
    <message>
        <source>Other Files</source>
        <translation>Andere Dateien</translation>
    </message>
    <message>
        <source>Others</source>
        <translation>Sonstige</translation>
    </message>
    <message>
        <source>Every file whose type is not in the lists above</source>
        <translation>Alle Dateien, deren Typ oben nicht aufgeführt ist</translation>
    </message>
    <message>
        <source>Files of Any Other Type</source>
        <translation>Dateien jedes anderen Typs</translation>
    </message>
    <message>
        <source>Unknown File Type.</source>
        <translation>Unbekannter Dateityp.</translation>
    </message>
</context>
<context>
    <name>FoundTree</name>
    <message>
        <source>Deleted Files</source>
        <translation>Gelöschte Dateien</translation>
    </message>
</context>
<context>
    <name>HelpWindow</name>
    <message>
        <source>%1 Help</source>
        <translation>%1-Hilfe</translation>
    </message>
</context>
<context>
    <name>ImagingStrings</name>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>This is an INVALID file, please check it!</source>
        <translation>Dies ist eine UNGÜLTIGE Datei. Bitte überprüfen Sie sie!</translation>
    </message>
    <message>
        <source>Warning! Failed to set the timer!</source>
        <translation>Warnung! Der Zeitgeber konnte nicht gestellt werden!</translation>
    </message>
    <message>
        <source>Open Disk Image Wizard</source>
        <translation>Assistent zum Öffnen eines Disk-Images</translation>
    </message>
    <message>
        <source>Open Disk Image File(.qmi)</source>
        <translation>Disk-Image-Datei öffnen (.qmi)</translation>
    </message>
    <message>
        <source>Correct error in Disk Image Configuration</source>
        <translation>Fehler in der Zusammensetzung des Disk-Images beheben</translation>
    </message>
    <message>
        <source>Have not found qmp file, please check the path!</source>
        <translation>Die qmp-Datei wurde nicht gefunden. Bitte überprüfen Sie den Pfad!</translation>
    </message>
    <message>
        <source>Can&apos;t open or it is not an Image File, please check the file!</source>
        <translation>Die Datei kann nicht geöffnet werden oder ist keine Image-Datei. Bitte überprüfen Sie die Datei!</translation>
    </message>
    <message>
        <source>Disk Image Wizard</source>
        <translation>Disk-Image-Assistent</translation>
    </message>
    <message>
        <source>Cancel Wizard ?</source>
        <translation>Assistent abbrechen?</translation>
    </message>
    <message>
        <source>File error! please check the it!</source>
        <translation>Dateifehler! Bitte überprüfen Sie die Datei!</translation>
    </message>
    <message>
        <source>The length is enough!</source>
        <translation>Der Pfad ist zu lang!</translation>
    </message>
    <message>
        <source>Fastest</source>
        <translation>Am schnellsten</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>Maximal</translation>
    </message>
    <message>
        <source>Zorv%s_DiskImageFile.qmi</source>
        <translation>Zorv%s_DiskImageFile.qmi</translation>
    </message>
    <message>
        <source>Quenmark ImageFile(*.qmi)</source>
        <translation>Quenmark-Image-Datei (*.qmi)</translation>
    </message>
    <message>
        <source>   Sectors</source>
        <translation>   Sektoren</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keine</translation>
    </message>
    <message>
        <source>slice</source>
        <translation>Teildatei</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Speicherort</translation>
    </message>
    <message>
        <source>VALID</source>
        <translation>GÜLTIG</translation>
    </message>
    <message>
        <source>INVALID</source>
        <translation>UNGÜLTIG</translation>
    </message>
    <message>
        <source>The free space on the disk is not enough to save the Disk Image data.
Click YES to select another location for Disk Image files or NO to abort wizard.</source>
        <translation>Der freie Speicherplatz auf dem Datenträger reicht für die Daten des Disk-Images nicht aus.
Klicken Sie auf JA, um einen anderen Speicherort für die Image-Dateien zu wählen, oder auf NEIN, um den Assistenten abzubrechen.</translation>
    </message>
    <message>
        <source> Free space is not enough, the progress must be cancelled.</source>
        <translation> Der freie Speicherplatz reicht nicht aus, der Vorgang muss abgebrochen werden.</translation>
    </message>
    <message>
        <source>Calculating...</source>
        <translation>Wird berechnet...</translation>
    </message>
    <message>
        <source>Disk Imaging Process</source>
        <translation>Disk-Image wird erstellt</translation>
    </message>
    <message>
        <source>Source Disk Region</source>
        <translation>Bereich des Quelldatenträgers</translation>
    </message>
    <message>
        <source>Disk Image Summary</source>
        <translation>Zusammenfassung des Disk-Images</translation>
    </message>
    <message>
        <source>Disk Image Destination File</source>
        <translation>Zieldatei des Disk-Images</translation>
    </message>
    <message>
        <source>Please check the path you are trying to save to and try again.</source>
        <translation>Bitte überprüfen Sie den Speicherpfad und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Cancel Disk Image?</source>
        <translation>Disk-Image abbrechen?</translation>
    </message>
    <message>
        <source>Fail!</source>
        <translation>Fehlgeschlagen!</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>&quot;%1&quot; is being opened in another program.</source>
        <translation>„%1“ wird in einem anderen Programm geöffnet.</translation>
    </message>
    <message>
        <source>Cannot preview this file.</source>
        <translation>Für diese Datei ist keine Vorschau möglich.</translation>
    </message>
    <message>
        <source>Cannot preview directory.</source>
        <translation>Für Ordner ist keine Vorschau möglich.</translation>
    </message>
    <message>
        <source>Cannot preview encrypted file.</source>
        <translation>Für verschlüsselte Dateien ist keine Vorschau möglich.</translation>
    </message>
    <message>
        <source>The file is too big to preview. (Max size: 100M)</source>
        <translation>Die Datei ist für eine Vorschau zu groß. (Höchstens 100M)</translation>
    </message>
    <message>
        <source>Please select a file to preview!</source>
        <translation>Bitte wählen Sie eine Datei für die Vorschau aus!</translation>
    </message>
    <message>
        <source>Failed to preview the file. The file is neither a valid Word nor Excel document.</source>
        <translation>Die Vorschau ist fehlgeschlagen. Die Datei ist weder ein gültiges Word- noch ein gültiges Excel-Dokument.</translation>
    </message>
    <message>
        <source>Please select a file to recover!</source>
        <translation>Bitte wählen Sie eine Datei zum Wiederherstellen aus!</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>CAUTION! We do NOT recommend you to save the recovered files to the same drive because this can reduce the chance of successful recovery. 

Are you sure to recover files to the same drive?</source>
        <translation>ACHTUNG! Wir raten DAVON AB, die wiederhergestellten Dateien auf demselben Laufwerk zu speichern, da dies die Aussicht auf eine erfolgreiche Wiederherstellung verringern kann. 

Möchten Sie die Dateien wirklich auf demselben Laufwerk wiederherstellen?</translation>
    </message>
    <message>
        <source>Encrypted file must be recovered on the NTFS partition, please select another drive.</source>
        <translation>Verschlüsselte Dateien müssen auf einer NTFS-Partition wiederhergestellt werden. Bitte wählen Sie ein anderes Laufwerk.</translation>
    </message>
    <message>
        <source>The free space is not enough, please select another drive.</source>
        <translation>Der freie Speicherplatz reicht nicht aus, bitte wählen Sie ein anderes Laufwerk.</translation>
    </message>
    <message>
        <source>The recovered file cannot be saved to the drive it is recovered from. Please select another drive.</source>
        <translation>Die wiederhergestellte Datei kann nicht auf dem Laufwerk gespeichert werden, von dem sie wiederhergestellt wird. Bitte wählen Sie ein anderes Laufwerk.</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>Quenmark</source>
        <translation>Quenmark</translation>
    </message>
    <message>
        <source>Recover lost files from hard disks, memory cards and USB drives. Choose how the files were lost.</source>
        <translation>Verlorene Dateien von Festplatten, Speicherkarten und USB-Laufwerken wiederherstellen. Wählen Sie, wie die Dateien verloren gingen.</translation>
    </message>
    <message>
        <source>Recover deleted files from a partition or removable media, such as files deleted by Shift + Delete or emptied from Recycle Bin.</source>
        <translation>Gelöschte Dateien von einer Partition oder einem Wechselmedium wiederherstellen, etwa mit Umschalt + Entf gelöschte oder aus dem Papierkorb entfernte Dateien.</translation>
    </message>
    <message>
        <source>Recover formatted files from existing partitions under any conditions. such as damaged or formatted partition, drive display as RAW etc.</source>
        <translation>Dateien von vorhandenen Partitionen in jedem Zustand wiederherstellen, etwa bei beschädigten oder formatierten Partitionen oder Laufwerken, die als RAW angezeigt werden.</translation>
    </message>
    <message>
        <source>Find out lost, deleted, resized or damaged partition, MBR corrupted, partition overwritten etc. and then recover lost files and folders.</source>
        <translation>Verlorene, gelöschte, in der Größe geänderte oder beschädigte Partitionen finden, auch bei defektem MBR oder überschriebener Partition, und dann verlorene Dateien und Ordner wiederherstellen.</translation>
    </message>
    <message>
        <source>  Deleted File Recovery  </source>
        <translation>  Gelöschte Dateien  </translation>
    </message>
    <message>
        <source>  Format Recovery  </source>
        <translation>  Formatierte Laufwerke  </translation>
    </message>
    <message>
        <source>  Partition Recovery  </source>
        <translation>  Verlorene Partitionen  </translation>
    </message>
    <message>
        <source>Are you sure to return to home page?</source>
        <translation>Möchten Sie wirklich zur Startseite zurückkehren?</translation>
    </message>
    <message>
        <source>Exit now?</source>
        <translation>Jetzt beenden?</translation>
    </message>
    <message>
        <source>  Quenmark  </source>
        <translation>  Quenmark  </translation>
    </message>
    <message>
        <source>English</source>
        <translation>Englisch</translation>
    </message>
    <message>
        <source>Save language failed!</source>
        <translation>Die Sprache konnte nicht gespeichert werden!</translation>
    </message>
    <message>
        <source>You have modified the system setting, please restart to apply. Restart now?</source>
        <translation>Sie haben die Einstellung geändert; sie wird nach einem Neustart wirksam. Jetzt neu starten?</translation>
    </message>
    <message>
        <source>MSXML not registered</source>
        <translation>MSXML ist nicht registriert</translation>
    </message>
    <message>
        <source>Unable to create MSXML instance</source>
        <translation>MSXML-Instanz kann nicht erstellt werden</translation>
    </message>
    <message>
        <source>Quenmark has encountered a memory problem and needs to close.
We are sorry for the inconvenience.
You can enlarge your virtual memory and try again.</source>
        <translation>Quenmark hat ein Speicherproblem festgestellt und muss beendet werden.
Wir bitten um Entschuldigung.
Sie können den virtuellen Speicher vergrößern und es erneut versuchen.</translation>
    </message>
    <message>
        <source>Please restart the program manually!</source>
        <translation>Bitte starten Sie das Programm von Hand neu!</translation>
    </message>
    <message>
        <source>Quenmark has been running!</source>
        <translation>Quenmark wird bereits ausgeführt!</translation>
    </message>
    <message>
        <source>zorv.chm</source>
        <translation>zorv.chm</translation>
    </message>
    <message>
        <source>Japanese</source>
        <translation>Japanisch</translation>
    </message>
    <message>
        <source>  Photo Recovery  </source>
        <translation>  Foto-Wiederherstellung  </translation>
    </message>
    <message>
        <source>Recover photos, camera raw pictures and images from memory cards, cameras and disks, even after formatting.</source>
        <translation>Fotos, RAW-Aufnahmen und Bilder von Speicherkarten, Kameras und Datenträgern wiederherstellen, auch nach einer Formatierung.</translation>
    </message>
    <message>
        <source>Failed to allocate the memory. Please untick &quot;Recover RAW file&quot; in RAW of &quot;Option&quot; and try again. </source>
        <translation>Der Speicher konnte nicht reserviert werden. Bitte deaktivieren Sie unter „Optionen“ auf der Seite RAW die Option „RAW-Dateien wiederherstellen“ und versuchen Sie es erneut. </translation>
    </message>
    <message>
        <source>Failed to restore last search result.</source>
        <translation>Das letzte Suchergebnis konnte nicht wiederhergestellt werden.</translation>
    </message>
    <message>
        <source>Select a disk to recover please.</source>
        <translation>Bitte wählen Sie einen Datenträger zur Wiederherstellung aus.</translation>
    </message>
    <message>
        <source>Select a partition to recover please.</source>
        <translation>Bitte wählen Sie eine Partition zur Wiederherstellung aus.</translation>
    </message>
    <message>
        <source>Select a partition and click Next to recover:</source>
        <translation>Wählen Sie eine Partition und klicken Sie auf „Weiter“:</translation>
    </message>
    <message>
        <source>Full Scan ( If the partition is not found, please check it and click Next )</source>
        <translation>Vollständige Suche (wird die Partition nicht gefunden, aktivieren und auf „Weiter“ klicken)</translation>
    </message>
    <message>
        <source>Recover</source>
        <translation>Wiederherstellen</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Fortsetzen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Recovery State File(*.rsf)|*.rsf||</source>
        <translation>Wiederherstellungs-Statusdatei(*.rsf)|*.rsf||</translation>
    </message>
    <message>
        <source>Manually select historical partitions: for those who know partition structure &amp;&amp; data recovery mechanism.</source>
        <translation>Frühere Partitionen von Hand auswählen: für Kenner von Partitionsstrukturen &amp;&amp; Datenrettung.</translation>
    </message>
    <message>
        <source>Select a partition to recover, please.</source>
        <translation>Bitte wählen Sie eine Partition zur Wiederherstellung aus.</translation>
    </message>
    <message>
        <source>Calculating...</source>
        <translation>Wird berechnet...</translation>
    </message>
    <message>
        <source>CAUTION! We do NOT recommend you to save the recovered files to the same drive because this can reduce the chance of successful recovery. 

Are you sure to recover files to the same drive?</source>
        <translation>ACHTUNG! Wir empfehlen NICHT, die wiederhergestellten Dateien auf demselben Laufwerk zu speichern, da dies die Aussicht auf eine erfolgreiche Wiederherstellung verringern kann. 

Möchten Sie die Dateien wirklich auf demselben Laufwerk wiederherstellen?</translation>
    </message>
    <message>
        <source>No disk in the drive!</source>
        <translation>Kein Datenträger im Laufwerk!</translation>
    </message>
    <message>
        <source>The specific drive does not exist!</source>
        <translation>Das angegebene Laufwerk existiert nicht!</translation>
    </message>
    <message>
        <source>The drive is not formatted!</source>
        <translation>Das Laufwerk ist nicht formatiert!</translation>
    </message>
    <message>
        <source>Invalid path name!</source>
        <translation>Ungültiger Pfadname!</translation>
    </message>
    <message>
        <source>The drive is a RAM disk!</source>
        <translation>Das Laufwerk ist eine RAM-Disk!</translation>
    </message>
    <message>
        <source>The drive is not ready!</source>
        <translation>Das Laufwerk ist nicht bereit!</translation>
    </message>
    <message>
        <source>The drive is not writable!</source>
        <translation>Auf das Laufwerk kann nicht geschrieben werden!</translation>
    </message>
    <message>
        <source>Invalid parameter!</source>
        <translation>Ungültiger Parameter!</translation>
    </message>
    <message>
        <source>Invalid symbol!</source>
        <translation>Ungültiges Zeichen!</translation>
    </message>
    <message>
        <source>Path too long!</source>
        <translation>Der Pfad ist zu lang!</translation>
    </message>
    <message>
        <source>Please select a folder to save the recovered files!</source>
        <translation>Bitte wählen Sie einen Ordner zum Speichern der wiederhergestellten Dateien!</translation>
    </message>
    <message>
        <source>Unknown error!</source>
        <translation>Unbekannter Fehler!</translation>
    </message>
    <message>
        <source>Encrypted file must be recovered on the NTFS partition,
please select other drive.</source>
        <translation>Verschlüsselte Dateien müssen auf einer NTFS-Partition wiederhergestellt werden,
bitte wählen Sie ein anderes Laufwerk.</translation>
    </message>
    <message>
        <source>Path</source>
        <translation>Pfad</translation>
    </message>
    <message>
        <source>Select location to save files:</source>
        <translation>Speicherort für die Dateien wählen:</translation>
    </message>
    <message>
        <source>The free space is not enough, please select other drive.</source>
        <translation>Der freie Speicherplatz reicht nicht aus, bitte wählen Sie ein anderes Laufwerk.</translation>
    </message>
    <message>
        <source>Quit recovering?</source>
        <translation>Wiederherstellung abbrechen?</translation>
    </message>
    <message>
        <source>You select %s in %d file(s).</source>
        <translation>Sie haben %s in %d Datei(en) ausgewählt.</translation>
    </message>
    <message>
        <source>Cancelling...</source>
        <translation>Wird abgebrochen...</translation>
    </message>
    <message>
        <source>Are you sure to quit searching?</source>
        <translation>Möchten Sie die Suche wirklich beenden?</translation>
    </message>
    <message>
        <source>Select files to save, please.</source>
        <translation>Bitte wählen Sie die zu speichernden Dateien.</translation>
    </message>
    <message>
        <source>Abort Building?</source>
        <translation>Aufbau abbrechen?</translation>
    </message>
    <message>
        <source>Nothing selected</source>
        <translation>Nichts ausgewählt</translation>
    </message>
    <message>
        <source>Locate in the main list</source>
        <translation>In der Hauptliste anzeigen</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>Auswählen</translation>
    </message>
    <message>
        <source>Deselect</source>
        <translation>Auswahl aufheben</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>File Size</source>
        <translation>Dateigröße</translation>
    </message>
    <message>
        <source>File Type</source>
        <translation>Dateityp</translation>
    </message>
    <message>
        <source>Modified Time</source>
        <translation>Geändert</translation>
    </message>
    <message>
        <source>Created Time</source>
        <translation>Erstellt</translation>
    </message>
    <message>
        <source>Last Access Time</source>
        <translation>Letzter Zugriff</translation>
    </message>
    <message>
        <source>Recovery</source>
        <translation>Wiederherstellen</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Total %s in %d files</source>
        <translation>Insgesamt %s in %d Dateien</translation>
    </message>
    <message>
        <source>Selected %s in %d files</source>
        <translation>Ausgewählt: %s in %d Dateien</translation>
    </message>
    <message>
        <source>Please wait a minute for there are too many files in the directory you selected.</source>
        <translation>Bitte warten Sie einen Moment: Der gewählte Ordner enthält sehr viele Dateien.</translation>
    </message>
    <message>
        <source>If the files are not found or corrupted in this mode, please go to &quot;Format Recovery&quot;!</source>
        <translation>Wenn die Dateien in diesem Modus nicht gefunden werden oder beschädigt sind, wechseln Sie bitte zu &quot;Formatierte Laufwerke&quot;!</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>No files found, please go to Format Recovery mode!</source>
        <translation>Keine Dateien gefunden, bitte wechseln Sie zu &quot;Formatierte Laufwerke&quot;!</translation>
    </message>
    <message>
        <source>Return to devices list?</source>
        <translation>Zur Geräteliste zurückkehren?</translation>
    </message>
    <message>
        <source>Select a device to recover please.</source>
        <translation>Bitte wählen Sie ein Gerät für die Wiederherstellung.</translation>
    </message>
    <message>
        <source>Please choose a partition to recover.</source>
        <translation>Bitte wählen Sie eine Partition für die Wiederherstellung.</translation>
    </message>
    <message>
        <source>Please select partitions, the number of partitions should be no more than 4 !</source>
        <translation>Bitte wählen Sie Partitionen aus, höchstens 4!</translation>
    </message>
    <message>
        <source>Do you want to stop searching?</source>
        <translation>Möchten Sie die Suche beenden?</translation>
    </message>
    <message>
        <source>Save recovery states</source>
        <translation>Wiederherstellungsstand speichern</translation>
    </message>
    <message>
        <source>Restore previous recovery</source>
        <translation>Vorherige Wiederherstellung fortsetzen</translation>
    </message>
    <message>
        <source>Saving recovery states...</source>
        <translation>Wiederherstellungsstand wird gespeichert...</translation>
    </message>
    <message>
        <source>Results for <byte value="xd"/>
Partition </source>
        <translation>Ergebnisse für <byte value="xd"/>
Partition </translation>
    </message>
    <message>
        <source>Results for <byte value="xd"/>
Image File </source>
        <translation>Ergebnisse für <byte value="xd"/>
Abbilddatei </translation>
    </message>
    <message>
        <source>Results for <byte value="xd"/>
Disk </source>
        <translation>Ergebnisse für <byte value="xd"/>
Datenträger </translation>
    </message>
    <message>
        <source>The search results (.rsf) was exported successfully.</source>
        <translation>Die Suchergebnisse (.rsf) wurden exportiert.</translation>
    </message>
    <message>
        <source>Failed to export the search results (.rsf).</source>
        <translation>Die Suchergebnisse (.rsf) konnten nicht exportiert werden.</translation>
    </message>
    <message>
        <source>No files found!</source>
        <translation>Keine Dateien gefunden!</translation>
    </message>
    <message>
        <source>If the files you need are not found, please select the &quot;Full scan&quot;.</source>
        <translation>Wenn die gesuchten Dateien nicht gefunden werden, wählen Sie bitte „Vollständige Suche“.</translation>
    </message>
    <message>
        <source>Search files</source>
        <translation>Dateien suchen</translation>
    </message>
    <message>
        <source>View</source>
        <translation>Ansicht</translation>
    </message>
    <message>
        <source>List</source>
        <translation>Liste</translation>
    </message>
    <message>
        <source>Thumbnail</source>
        <translation>Miniaturansicht</translation>
    </message>
    <message>
        <source>(All Files)</source>
        <translation>(Alle Dateien)</translation>
    </message>
</context>
<context>
    <name>qm::CAboutFreeDlg</name>
    <message>
        <source>For the latest product information, please visit:</source>
        <translation>Aktuelle Produktinformationen finden Sie unter:</translation>
    </message>
    <message>
        <source>Recovers deleted, formatted and lost files and partitions, reading your disks without ever writing to them.</source>
        <translation>Stellt gelöschte, formatierte und verlorene Dateien und Partitionen wieder her und liest Ihre Datenträger dabei nur, ohne jemals auf sie zu schreiben.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>qm::CBuildDirectoryDlg</name>
    <message>
        <source>Elapsed Time:</source>
        <translation>Verstrichene Zeit:</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Building directory</source>
        <translation>Verzeichnis wird aufgebaut</translation>
    </message>
</context>
<context>
    <name>qm::CCopyProgressDlg</name>
    <message>
        <source>Abort</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Process:</source>
        <translation>Fortschritt:</translation>
    </message>
    <message>
        <source>Remaining Time:</source>
        <translation>Restzeit:</translation>
    </message>
    <message>
        <source>Calculating...</source>
        <translation>Wird berechnet...</translation>
    </message>
    <message>
        <source>Cancelling...</source>
        <translation>Wird abgebrochen...</translation>
    </message>
</context>
<context>
    <name>qm::CDeviceListPage</name>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Look for disks and volumes again</source>
        <translation>Erneut nach Datenträgern und Volumes suchen</translation>
    </message>
    <message>
        <source>Disk Image</source>
        <translation>Disk-Image</translation>
    </message>
    <message>
        <source>Import Scan Result</source>
        <translation>Suchergebnis importieren</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
</context>
<context>
    <name>qm::CFileListCtrl</name>
    <message>
        <source>Properties</source>
        <translation>Eigenschaften</translation>
    </message>
</context>
<context>
    <name>qm::CFilePreViewDlg</name>
    <message>
        <source>Recover</source>
        <translation>Wiederherstellen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Hex</source>
        <translation>Hex</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>Best Fit</source>
        <translation>Einpassen</translation>
    </message>
    <message>
        <source>Actual Size</source>
        <translation>Originalgröße</translation>
    </message>
    <message>
        <source>Recover this file</source>
        <translation>Diese Datei wiederherstellen</translation>
    </message>
    <message>
        <source> - File Preview</source>
        <translation> - Dateivorschau</translation>
    </message>
</context>
<context>
    <name>qm::CFileSelectPage</name>
    <message>
        <source>Export Scan Result</source>
        <translation>Suchergebnis exportieren</translation>
    </message>
    <message>
        <source>Search File</source>
        <translation>Datei suchen</translation>
    </message>
    <message>
        <source>File Preview</source>
        <translation>Dateivorschau</translation>
    </message>
    <message>
        <source>Find file by name...</source>
        <translation>Datei nach Namen finden...</translation>
    </message>
    <message>
        <source>Search files...</source>
        <translation>Dateien suchen...</translation>
    </message>
    <message>
        <source>Properties</source>
        <translation>Eigenschaften</translation>
    </message>
    <message>
        <source>The window is too narrow to show the search results. Please make it wider and search again.</source>
        <translation>Das Fenster ist zu schmal, um die Suchergebnisse anzuzeigen. Bitte vergrößern Sie es und suchen Sie erneut.</translation>
    </message>
</context>
<context>
    <name>qm::CFindFileDlg</name>
    <message>
        <source>Match Case</source>
        <translation>Groß-/Kleinschreibung beachten</translation>
    </message>
    <message>
        <source>Whole Word</source>
        <translation>Nur ganzes Wort</translation>
    </message>
    <message>
        <source>Find Next</source>
        <translation>Weitersuchen</translation>
    </message>
    <message>
        <source>Find file by name</source>
        <translation>Datei nach Namen suchen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Find Name:</source>
        <translation>Gesuchter Name:</translation>
    </message>
    <message>
        <source>No files found</source>
        <translation>Keine Dateien gefunden</translation>
    </message>
    <message>
        <source>No more files found.</source>
        <translation>Keine weiteren Dateien gefunden.</translation>
    </message>
</context>
<context>
    <name>qm::CImageDiskADPathChooseDlg</name>
    <message>
        <source>Disk Image File Name:</source>
        <translation>Name der Disk-Image-Datei:</translation>
    </message>
    <message>
        <source>Compress Disk Image File,compression level:</source>
        <translation>Disk-Image-Datei komprimieren, Kompressionsstufe:</translation>
    </message>
    <message>
        <source>Split Disk Image into slices,maximum size of a slice file:</source>
        <translation>Disk-Image in Teildateien aufteilen, größte Teildatei:</translation>
    </message>
</context>
<context>
    <name>qm::CImageDiskDiskInfo</name>
    <message>
        <source>Source Disk ID:</source>
        <translation>Quelldatenträger:</translation>
    </message>
    <message>
        <source>Source Disk Size:</source>
        <translation>Größe des Quelldatenträgers:</translation>
    </message>
    <message>
        <source>Source Disk Region Size:</source>
        <translation>Größe des Bereichs:</translation>
    </message>
    <message>
        <source>Source Disk Region:</source>
        <translation>Bereich des Quelldatenträgers:</translation>
    </message>
    <message>
        <source>Destination File:</source>
        <translation>Zieldatei:</translation>
    </message>
    <message>
        <source>Compression Level:</source>
        <translation>Kompressionsstufe:</translation>
    </message>
</context>
<context>
    <name>qm::CImageDiskMasterDlg</name>
    <message>
        <source>Disk Image Wizard</source>
        <translation>Disk-Image-Assistent</translation>
    </message>
    <message>
        <source>&lt; Back</source>
        <translation>&lt; Zurück</translation>
    </message>
    <message>
        <source>Next &gt;</source>
        <translation>Weiter &gt;</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>The destination lies on the disk being imaged: writing there would overwrite the space being rescued. Please choose a folder on another disk.</source>
        <translation>Das Ziel liegt auf dem Datenträger, der abgebildet wird: Dort zu schreiben würde den Platz überschreiben, der gerettet werden soll. Bitte wählen Sie einen Ordner auf einem anderen Datenträger.</translation>
    </message>
    <message>
        <source>%1 blocks of the source could not be read; they were imaged as zeros.</source>
        <translation>%1 Blöcke der Quelle konnten nicht gelesen werden; sie wurden als Nullen abgebildet.</translation>
    </message>
</context>
<context>
    <name>qm::CImageDiskModeChooseDlg</name>
    <message>
        <source>Welcome to Disk Image Wizard of Quenmark</source>
        <translation>Willkommen beim Disk-Image-Assistenten von Quenmark</translation>
    </message>
    <message>
        <source>Select Drive To Image:</source>
        <translation>Abzubildendes Laufwerk:</translation>
    </message>
    <message>
        <source>Advanced Wizard Mode:</source>
        <translation>Erweiterter Modus:</translation>
    </message>
    <message>
        <source>To continue, click Next</source>
        <translation>Klicken Sie auf Weiter, um fortzufahren</translation>
    </message>
</context>
<context>
    <name>qm::CImageDiskPathChooseDlg</name>
    <message>
        <source>Disk Image File Name:</source>
        <translation>Name der Disk-Image-Datei:</translation>
    </message>
</context>
<context>
    <name>qm::CImageDiskRunDlg</name>
    <message>
        <source>Current file:</source>
        <translation>Aktuelle Datei:</translation>
    </message>
    <message>
        <source>Remaining Time:</source>
        <translation>Restzeit:</translation>
    </message>
    <message>
        <source>Disk free space:</source>
        <translation>Freier Speicherplatz:</translation>
    </message>
    <message>
        <source>Unreadable source blocks imaged as zeros: %1</source>
        <translation>Unlesbare Blöcke der Quelle, als Nullen abgebildet: %1</translation>
    </message>
</context>
<context>
    <name>qm::CImageDiskSetRegionDlg</name>
    <message>
        <source>First sector:</source>
        <translation>Erster Sektor:</translation>
    </message>
    <message>
        <source>Last sector:</source>
        <translation>Letzter Sektor:</translation>
    </message>
    <message>
        <source>Select region on the source disk which you want to store in the Disk Image and click Next</source>
        <translation>Wählen Sie den Bereich des Quelldatenträgers, der im Disk-Image gespeichert werden soll, und klicken Sie auf Weiter</translation>
    </message>
</context>
<context>
    <name>qm::CImageDiskSuccessDlg</name>
    <message>
        <source>Disk Image created successfully</source>
        <translation>Das Disk-Image wurde erstellt</translation>
    </message>
    <message>
        <source>Disk Image file:</source>
        <translation>Disk-Image-Datei:</translation>
    </message>
    <message>
        <source>Open this Disk Image in device list</source>
        <translation>Dieses Disk-Image in der Geräteliste öffnen</translation>
    </message>
</context>
<context>
    <name>qm::CImageWindow</name>
    <message>
        <source>Warning! Not support the image format!</source>
        <translation>Warnung! Dieses Bildformat wird nicht unterstützt!</translation>
    </message>
</context>
<context>
    <name>qm::COpenDiskImageErrorManageDlg</name>
    <message>
        <source>Add slice</source>
        <translation>Teildatei hinzufügen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Locate slice</source>
        <translation>Teildatei suchen</translation>
    </message>
    <message>
        <source>Zorv DISKIMAGE FILE(*.qmf)</source>
        <translation>Zorv-Disk-Image-Teildatei (*.qmf)</translation>
    </message>
</context>
<context>
    <name>qm::COpenDiskImageMasterDlg</name>
    <message>
        <source>Open Disk Image</source>
        <translation>Disk-Image öffnen</translation>
    </message>
    <message>
        <source>Welcome to Open Disk Image Wizard</source>
        <translation>Willkommen beim Assistenten zum Öffnen eines Disk-Images</translation>
    </message>
    <message>
        <source>To continue,click next</source>
        <translation>Klicken Sie auf Weiter, um fortzufahren</translation>
    </message>
    <message>
        <source>Disk image opened successfully</source>
        <translation>Das Disk-Image wurde geöffnet</translation>
    </message>
    <message>
        <source>You can start working with opened Disk image in the list</source>
        <translation>Sie können jetzt mit dem geöffneten Disk-Image in der Liste arbeiten</translation>
    </message>
    <message>
        <source>Click Next to close wizard</source>
        <translation>Klicken Sie auf Weiter, um den Assistenten zu schließen</translation>
    </message>
    <message>
        <source>&lt; Back</source>
        <translation>&lt; Zurück</translation>
    </message>
    <message>
        <source>Next &gt;</source>
        <translation>Weiter &gt;</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>The part list cannot be written. Please check the folder of the image.</source>
        <translation>Die Teileliste kann nicht geschrieben werden. Bitte überprüfen Sie den Ordner des Images.</translation>
    </message>
</context>
<context>
    <name>qm::COpenDiskImagePathDlg</name>
    <message>
        <source>Disk image file name:</source>
        <translation>Name der Disk-Image-Datei:</translation>
    </message>
    <message>
        <source>PATH&gt;&gt;&gt;</source>
        <translation>PFAD&gt;&gt;&gt;</translation>
    </message>
</context>
<context>
    <name>qm::CPreviewLoadingDlg</name>
    <message>
        <source>Loading...</source>
        <translation>Wird geladen...</translation>
    </message>
    <message>
        <source>Loading file...</source>
        <translation>Datei wird geladen...</translation>
    </message>
    <message>
        <source>Cannot preview this file.</source>
        <translation>Für diese Datei ist keine Vorschau möglich.</translation>
    </message>
</context>
<context>
    <name>qm::CPropertiesDlg</name>
    <message>
        <source>Properties</source>
        <translation>Eigenschaften</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
</context>
<context>
    <name>qm::CRBClickRecoverFileDlg</name>
    <message>
        <source>Recovering...</source>
        <translation>Wird wiederhergestellt...</translation>
    </message>
    <message>
        <source>Recover </source>
        <translation>Wiederherstellen </translation>
    </message>
    <message>
        <source>Failed to recover this file.</source>
        <translation>Diese Datei konnte nicht wiederhergestellt werden.</translation>
    </message>
</context>
<context>
    <name>qm::CRecoveringDlg</name>
    <message>
        <source>Recovering</source>
        <translation>Wiederherstellung</translation>
    </message>
    <message>
        <source>Remaining Time:</source>
        <translation>Restzeit:</translation>
    </message>
    <message>
        <source>Elapsed Time:</source>
        <translation>Verstrichene Zeit:</translation>
    </message>
    <message>
        <source>Selected Files:</source>
        <translation>Ausgewählte Dateien:</translation>
    </message>
    <message>
        <source>Recovered Files:</source>
        <translation>Wiederhergestellte Dateien:</translation>
    </message>
    <message>
        <source>Total Data Size:</source>
        <translation>Gesamtgröße:</translation>
    </message>
    <message>
        <source>Recovered Data Size:</source>
        <translation>Wiederhergestellte Größe:</translation>
    </message>
    <message>
        <source>Recovering File Name:</source>
        <translation>Aktuelle Datei:</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>C&amp;ancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
</context>
<context>
    <name>qm::CRecoveryModeSelectPage</name>
    <message>
        <source>How did you lose your files?</source>
        <translation>Wie haben Sie Ihre Dateien verloren?</translation>
    </message>
</context>
<context>
    <name>qm::CRtfPreviewerDlg</name>
    <message>
        <source>Preview RTF</source>
        <translation>RTF-Vorschau</translation>
    </message>
</context>
<context>
    <name>qm::CSaveFilePage</name>
    <message>
        <source>Free space: %1</source>
        <translation>Freier Speicher: %1</translation>
    </message>
    <message>
        <source>Required space: %1</source>
        <translation>Benötigter Speicher: %1</translation>
    </message>
    <message>
        <source>Used space: %1</source>
        <translation>Belegter Speicher: %1</translation>
    </message>
</context>
<context>
    <name>qm::CSearchFileDlg</name>
    <message>
        <source>Search files</source>
        <translation>Dateien suchen</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Other Parameters:</source>
        <translation>Weitere Angaben:</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>File Name, part of file name or file mask:</source>
        <translation>Dateiname, Teil des Dateinamens oder Dateimaske:</translation>
    </message>
    <message>
        <source>Auto select files</source>
        <translation>Dateien automatisch auswählen</translation>
    </message>
    <message>
        <source>Search location:</source>
        <translation>Suchen in:</translation>
    </message>
    <message>
        <source>Additional Search Parameters:</source>
        <translation>Weitere Suchkriterien:</translation>
    </message>
    <message>
        <source>(Everywhere)</source>
        <translation>(Überall)</translation>
    </message>
    <message>
        <source>Modified</source>
        <translation>Geändert</translation>
    </message>
    <message>
        <source>Created</source>
        <translation>Erstellt</translation>
    </message>
    <message>
        <source>Accessed</source>
        <translation>Letzter Zugriff</translation>
    </message>
    <message>
        <source>in last</source>
        <translation>in den letzten</translation>
    </message>
    <message>
        <source>month.</source>
        <translation>Monaten.</translation>
    </message>
    <message>
        <source>days.</source>
        <translation>Tagen.</translation>
    </message>
    <message>
        <source>from</source>
        <translation>von</translation>
    </message>
    <message>
        <source>up to</source>
        <translation>bis</translation>
    </message>
    <message>
        <source>less than</source>
        <translation>kleiner als</translation>
    </message>
    <message>
        <source>more than</source>
        <translation>größer als</translation>
    </message>
    <message>
        <source>KB</source>
        <translation>KB</translation>
    </message>
    <message>
        <source>Case sensitive</source>
        <translation>Groß-/Kleinschreibung beachten</translation>
    </message>
    <message>
        <source>Include encrypted files</source>
        <translation>Verschlüsselte Dateien einbeziehen</translation>
    </message>
    <message>
        <source>No files match specific criteria.</source>
        <translation>Keine Dateien entsprechen den Suchkriterien.</translation>
    </message>
</context>
<context>
    <name>qm::CShellTreeCtrl</name>
    <message>
        <source>Home (%1)</source>
        <translation>Persönlicher Ordner (%1)</translation>
    </message>
    <message>
        <source>Computer</source>
        <translation>Computer</translation>
    </message>
</context>
<context>
    <name>qm::CTypeOfFileToRecoveryPage</name>
    <message>
        <source>Choose the types of file to look for:</source>
        <translation>Wählen Sie die Dateitypen, nach denen gesucht werden soll:</translation>
    </message>
</context>
<context>
    <name>qm::CZorvReportDlg</name>
    <message>
        <source>Quenmark stopped unexpectedly.</source>
        <translation>Quenmark wurde unerwartet beendet.</translation>
    </message>
    <message>
        <source>A crash report and the program&apos;s log were kept on this computer; nothing was sent anywhere. If you ask for help, these two files tell what happened.</source>
        <translation>Ein Absturzbericht und das Protokoll des Programms wurden auf diesem Computer gespeichert; es wurde nichts versendet. Wenn Sie um Hilfe bitten, zeigen diese beiden Dateien, was geschehen ist.</translation>
    </message>
    <message>
        <source>No crash report was found in %1.</source>
        <translation>In %1 wurde kein Absturzbericht gefunden.</translation>
    </message>
    <message>
        <source>Crash report</source>
        <translation>Absturzbericht</translation>
    </message>
    <message>
        <source>No log was found in %1.</source>
        <translation>In %1 wurde kein Protokoll gefunden.</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>Protokoll</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>Ordner öffnen</translation>
    </message>
    <message>
        <source>The folder %1 could not be opened.</source>
        <translation>Der Ordner %1 konnte nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>The file could not be read: %1</source>
        <translation>Die Datei konnte nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>Saved %1, %2</source>
        <translation>Gespeichert %1, %2</translation>
    </message>
    <message>
        <source>Only the last %1 are shown; the file holds the rest.</source>
        <translation>Nur die letzten %1 werden angezeigt; der Rest steht in der Datei.</translation>
    </message>
    <message>
        <source>Only the first %1 are shown; the file holds the rest.</source>
        <translation>Nur die ersten %1 werden angezeigt; der Rest steht in der Datei.</translation>
    </message>
</context>
<context>
    <name>qm::DestinationPathRow</name>
    <message>
        <source>PATH&gt;&gt;&gt;</source>
        <translation>PFAD&gt;&gt;&gt;</translation>
    </message>
</context>
<context>
    <name>qm::PlaceholderWindow</name>
    <message>
        <source>The recovery wizard will appear here.</source>
        <translation>Hier erscheint der Wiederherstellungs-Assistent.</translation>
    </message>
</context>
</TS>
