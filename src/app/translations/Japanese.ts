<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
    <name>CAdvanceSettingMasterDlg</name>
    <message>
        <source>Option</source>
        <translation>オプション</translation>
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
        <translation>共通</translation>
    </message>
    <message>
        <source>RAW</source>
        <translation>RAW</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>既定値</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Check DATE field of file descriptors</source>
        <translation>ファイル エントリの日付フィールドを検査する</translation>
    </message>
    <message>
        <source>Folder entries whose date is impossible are taken for garbage. Untick it when a camera or player wrote wrong dates and files are missing.</source>
        <translation>ありえない日付を持つフォルダー エントリは不要なデータとみなします。カメラやプレーヤーが誤った日付を書き込み、ファイルが見つからない場合はチェックを外してください。</translation>
    </message>
    <message>
        <source>Check TIME field of file descriptors</source>
        <translation>ファイル エントリの時刻フィールドを検査する</translation>
    </message>
    <message>
        <source>The same test for the time of day of each entry.</source>
        <translation>各エントリの時刻に対して同じ検査を行います。</translation>
    </message>
    <message>
        <source>Use first FAT copy</source>
        <translation>1 番目の FAT を使用する</translation>
    </message>
    <message>
        <source>Follow file chains through the first allocation table. Untick it when that copy was overwritten.</source>
        <translation>1 番目のアロケーション テーブルでファイルのチェーンをたどります。このコピーが上書きされている場合はチェックを外してください。</translation>
    </message>
    <message>
        <source>Use second FAT copy</source>
        <translation>2 番目の FAT を使用する</translation>
    </message>
    <message>
        <source>Use the backup allocation table where the first copy is damaged.</source>
        <translation>1 番目のコピーが壊れている箇所では、バックアップのアロケーション テーブルを使用します。</translation>
    </message>
    <message>
        <source>Use NTFS files for volume size detection</source>
        <translation>ボリューム サイズの検出に NTFS ファイルを使用する</translation>
    </message>
    <message>
        <source>Take the size of a lost NTFS volume from its own system files when its boot sector is gone.</source>
        <translation>ブート セクターが失われている場合、失われた NTFS ボリュームのサイズをそのシステム ファイルから求めます。</translation>
    </message>
    <message>
        <source>Use $MFT file</source>
        <translation>$MFT ファイルを使用する</translation>
    </message>
    <message>
        <source>Read the file records through the master file table&apos;s own map; untick it to search every record sector by sector.</source>
        <translation>マスター ファイル テーブル自身のマップを使ってファイル レコードを読み取ります。チェックを外すと、すべてのレコードをセクター単位で検索します。</translation>
    </message>
    <message>
        <source>Show files that belong to $MFT only</source>
        <translation>$MFT に属するファイルのみを表示する</translation>
    </message>
    <message>
        <source>Leave out records found outside the master file table, such as copies left by an earlier format.</source>
        <translation>以前のフォーマットで残ったコピーなど、マスター ファイル テーブルの外で見つかったレコードを除外します。</translation>
    </message>
    <message>
        <source>Use Boot Records</source>
        <translation>ブート レコードを使用する</translation>
    </message>
    <message>
        <source>Trust the boot sectors found on the disk to place volumes. Untick it when they were rewritten by a later format.</source>
        <translation>ディスク上で見つかったブート セクターを信頼してボリュームの位置を決めます。後のフォーマットで書き換えられている場合はチェックを外してください。</translation>
    </message>
    <message>
        <source>Ignore bad sectors</source>
        <translation>不良セクターを無視する</translation>
    </message>
    <message>
        <source>Read unreadable sectors as zeros and go on, instead of stopping at the first read error.</source>
        <translation>最初の読み取りエラーで停止せず、読み取れないセクターを 0 として読み込んで続行します。</translation>
    </message>
    <message>
        <source>Recover RAW files:</source>
        <translation>RAW ファイルを復元する:</translation>
    </message>
    <message>
        <source>Recover RAW files only</source>
        <translation>RAW ファイルのみを復元する</translation>
    </message>
    <message>
        <source>Files recognised by their contents where no file system records them. Their names are lost; they are listed by type.</source>
        <translation>ファイル システムに記録がない場所で、内容から認識されたファイルです。名前は失われているため、種類ごとに一覧表示されます。</translation>
    </message>
    <message>
        <source>Maximal file size:</source>
        <translation>最大ファイル サイズ:</translation>
    </message>
    <message>
        <source>Bytes.</source>
        <translation>バイト</translation>
    </message>
    <message>
        <source>What file types would you like to recover?</source>
        <translation>復元するファイルの種類を選択してください。</translation>
    </message>
    <message>
        <source>3d Studio Max file(.max)</source>
        <translation>3d Studio Max ファイル(.max)</translation>
    </message>
    <message>
        <source>ANI file(.ani)</source>
        <translation>ANI ファイル(.ani)</translation>
    </message>
    <message>
        <source>Adobe Illustrator file(.ai)</source>
        <translation>Adobe Illustrator ファイル(.ai)</translation>
    </message>
    <message>
        <source>Bitmap file(.bmp)</source>
        <translation>ビットマップ ファイル(.bmp)</translation>
    </message>
    <message>
        <source>COREL Darw file(.cdr)</source>
        <translation>CorelDRAW ファイル(.cdr)</translation>
    </message>
    <message>
        <source>Corel Draw Corel RAVE Image file(.clk)</source>
        <translation>Corel R.A.V.E. 画像ファイル(.clk)</translation>
    </message>
    <message>
        <source>Corel Draw Vector Image file(.cmx)</source>
        <translation>Corel ベクター画像ファイル(.cmx)</translation>
    </message>
    <message>
        <source>Corel Photo Paint Image file(.cpt)</source>
        <translation>Corel Photo-Paint 画像ファイル(.cpt)</translation>
    </message>
    <message>
        <source>Canon Raw graphics file(.crw)</source>
        <translation>Canon RAW 画像ファイル(.crw)</translation>
    </message>
    <message>
        <source>Cursor file(.cur)</source>
        <translation>カーソル ファイル(.cur)</translation>
    </message>
    <message>
        <source>AutoCAD Drawing file(.dwg)</source>
        <translation>AutoCAD 図面ファイル(.dwg)</translation>
    </message>
    <message>
        <source>AutoCad DX File(.dxf)</source>
        <translation>AutoCAD DXF ファイル(.dxf)</translation>
    </message>
    <message>
        <source>Enhanced Metafile(.emf)</source>
        <translation>拡張メタファイル(.emf)</translation>
    </message>
    <message>
        <source>Encapsulated Postscript file(.eps)</source>
        <translation>Encapsulated PostScript ファイル(.eps)</translation>
    </message>
    <message>
        <source>Freehand 10 file(.fh11)</source>
        <translation>FreeHand 10 ファイル(.fh11)</translation>
    </message>
    <message>
        <source>GIF graphics file(.gif)</source>
        <translation>GIF 画像ファイル(.gif)</translation>
    </message>
    <message>
        <source>Icon file(.ico)</source>
        <translation>アイコン ファイル(.ico)</translation>
    </message>
    <message>
        <source>JPEG Graphics file(.jpg.jpeg)</source>
        <translation>JPEG 画像ファイル(.jpg.jpeg)</translation>
    </message>
    <message>
        <source>Portable Network Graphic file(.png)</source>
        <translation>PNG 画像ファイル(.png)</translation>
    </message>
    <message>
        <source>Adobe Photoshop file(.psd)</source>
        <translation>Adobe Photoshop ファイル(.psd)</translation>
    </message>
    <message>
        <source>Paint Shop Pro file(.psp)</source>
        <translation>Paint Shop Pro ファイル(.psp)</translation>
    </message>
    <message>
        <source>QuattroPro 7 File(.qpw)</source>
        <translation>Quattro Pro 7 ファイル(.qpw)</translation>
    </message>
    <message>
        <source>Corel Presentation File(.shw)</source>
        <translation>Corel Presentations ファイル(.shw)</translation>
    </message>
    <message>
        <source>Tagged Image File(.tif)</source>
        <translation>TIFF 画像ファイル(.tif)</translation>
    </message>
    <message>
        <source>Nikon Raw File(.nef)</source>
        <translation>Nikon RAW ファイル(.nef)</translation>
    </message>
    <message>
        <source>Microsoft Word Document(.doc)</source>
        <translation>Microsoft Word 文書(.doc)</translation>
    </message>
    <message>
        <source>Microsoft Word2007(.docx)</source>
        <translation>Microsoft Word 2007(.docx)</translation>
    </message>
    <message>
        <source>Help file(.hlp)</source>
        <translation>ヘルプ ファイル(.hlp)</translation>
    </message>
    <message>
        <source>HTML Documents file(.htm.html)</source>
        <translation>HTML 文書(.htm.html)</translation>
    </message>
    <message>
        <source>MOF file(.mof)</source>
        <translation>MOF ファイル(.mof)</translation>
    </message>
    <message>
        <source>Microsoft Project file(.mpp)</source>
        <translation>Microsoft Project ファイル(.mpp)</translation>
    </message>
    <message>
        <source>Microsoft OneNote file(.one)</source>
        <translation>Microsoft OneNote ファイル(.one)</translation>
    </message>
    <message>
        <source>Adobe Portable Document(.pdf)</source>
        <translation>Adobe PDF 文書(.pdf)</translation>
    </message>
    <message>
        <source>Microsoft PowerPoint Presentation file(.ppt)</source>
        <translation>Microsoft PowerPoint プレゼンテーション(.ppt)</translation>
    </message>
    <message>
        <source>Microsoft PowerPoint2007(.pptx)</source>
        <translation>Microsoft PowerPoint 2007(.pptx)</translation>
    </message>
    <message>
        <source>Rich Text Document(.rtf)</source>
        <translation>リッチ テキスト文書(.rtf)</translation>
    </message>
    <message>
        <source>True Type Font file(.ttf)</source>
        <translation>TrueType フォント ファイル(.ttf)</translation>
    </message>
    <message>
        <source>Microsoft Visio Drawing(.vsd)</source>
        <translation>Microsoft Visio 図面(.vsd)</translation>
    </message>
    <message>
        <source>WordPerfect file(.wpd)</source>
        <translation>WordPerfect ファイル(.wpd)</translation>
    </message>
    <message>
        <source>WordPerfect Documents and Graphics v8(.wpg)</source>
        <translation>WordPerfect 文書/グラフィック v8(.wpg)</translation>
    </message>
    <message>
        <source>Microsoft Excel XML Documents(.xls)</source>
        <translation>Microsoft Excel 文書(.xls)</translation>
    </message>
    <message>
        <source>Microsoft Excel2007(.xlsx)</source>
        <translation>Microsoft Excel 2007(.xlsx)</translation>
    </message>
    <message>
        <source>3DS file (.3ds)</source>
        <translation>3DS ファイル (.3ds)</translation>
    </message>
    <message>
        <source>Cabinet file(.cab)</source>
        <translation>キャビネット ファイル(.cab)</translation>
    </message>
    <message>
        <source>CHM file(.chm)</source>
        <translation>CHM ファイル(.chm)</translation>
    </message>
    <message>
        <source>CSL file(.csl)</source>
        <translation>CSL ファイル(.csl)</translation>
    </message>
    <message>
        <source>GZIP compression file(.gz)</source>
        <translation>GZIP 圧縮ファイル(.gz)</translation>
    </message>
    <message>
        <source>LZH compression file(.lzh)</source>
        <translation>LZH 圧縮ファイル(.lzh)</translation>
    </message>
    <message>
        <source>RAR compression file(.rar)</source>
        <translation>RAR 圧縮ファイル(.rar)</translation>
    </message>
    <message>
        <source>TAR archive file(.tar)</source>
        <translation>TAR アーカイブ ファイル(.tar)</translation>
    </message>
    <message>
        <source>Zip compression file(.zip)</source>
        <translation>ZIP 圧縮ファイル(.zip)</translation>
    </message>
    <message>
        <source>3GP Multimedia file(.3gp)</source>
        <translation>3GP マルチメディア ファイル(.3gp)</translation>
    </message>
    <message>
        <source>Audio Streaming Format file(.asf)</source>
        <translation>ASF ストリーミング ファイル(.asf)</translation>
    </message>
    <message>
        <source>AU file(.au)</source>
        <translation>AU ファイル(.au)</translation>
    </message>
    <message>
        <source>Audio Video Interleave file(.avi)</source>
        <translation>AVI ビデオ ファイル(.avi)</translation>
    </message>
    <message>
        <source>Musical Instrument Digital Interface file(.mid)</source>
        <translation>MIDI ファイル(.mid)</translation>
    </message>
    <message>
        <source>MOV Multimedia file(.mov)</source>
        <translation>MOV マルチメディア ファイル(.mov)</translation>
    </message>
    <message>
        <source>MP3 Music file(.mp3)</source>
        <translation>MP3 音楽ファイル(.mp3)</translation>
    </message>
    <message>
        <source>MP4 Multimedia file(.mp4)</source>
        <translation>MP4 マルチメディア ファイル(.mp4)</translation>
    </message>
    <message>
        <source>ShockWave Flash file(.swf)</source>
        <translation>Shockwave Flash ファイル(.swf)</translation>
    </message>
    <message>
        <source>WAVE Multimedia file(.wav)</source>
        <translation>WAVE サウンド ファイル(.wav)</translation>
    </message>
    <message>
        <source>WMF Multimedia file(.wmf)</source>
        <translation>WMF ファイル(.wmf)</translation>
    </message>
    <message>
        <source>Outlook Express Email file(.dbx)</source>
        <translation>Outlook Express メール ファイル(.dbx)</translation>
    </message>
    <message>
        <source>Outlook Email file(.pst)</source>
        <translation>Outlook メール ファイル(.pst)</translation>
    </message>
    <message>
        <source>Access Project file(.adp)</source>
        <translation>Access プロジェクト ファイル(.adp)</translation>
    </message>
    <message>
        <source>Access Database file(.mdb)</source>
        <translation>Access データベース(.mdb)</translation>
    </message>
    <message>
        <source>Microsoft Money file(.mny)</source>
        <translation>Microsoft Money ファイル(.mny)</translation>
    </message>
    <message>
        <source>Access Database file(.accdb)</source>
        <translation>Access データベース(.accdb)</translation>
    </message>
    <message>
        <source>Graphics</source>
        <translation>グラフィック</translation>
    </message>
    <message>
        <source>Documents</source>
        <translation>ドキュメント</translation>
    </message>
    <message>
        <source>Archives</source>
        <translation>アーカイブ</translation>
    </message>
    <message>
        <source>Multimedia</source>
        <translation>マルチメディア</translation>
    </message>
    <message>
        <source>Email</source>
        <translation>電子メール</translation>
    </message>
    <message>
        <source>Databases and Financials</source>
        <translation>データベースと財務</translation>
    </message>
</context>
<context>
    <name>CAttributesStates</name>
    <message>
        <source>About States</source>
        <translation>ファイルの状態について</translation>
    </message>
    <message>
        <source>An existing file</source>
        <translation>既存のファイル</translation>
    </message>
    <message>
        <source>A deleted file</source>
        <translation>削除されたファイル</translation>
    </message>
    <message>
        <source>A compressed file</source>
        <translation>圧縮されたファイル</translation>
    </message>
    <message>
        <source>An encrypted file</source>
        <translation>暗号化されたファイル</translation>
    </message>
    <message>
        <source>A damaged file: its data is incomplete or overwritten</source>
        <translation>破損したファイル: データが不完全か上書きされています</translation>
    </message>
</context>
<context>
    <name>CCompressController</name>
    <message>
        <source>The index file cannot be created</source>
        <translation>インデックス ファイルを作成できません</translation>
    </message>
    <message>
        <source>The index file cannot be written</source>
        <translation>インデックス ファイルに書き込めません</translation>
    </message>
    <message>
        <source>The part list cannot be created</source>
        <translation>分割ファイルの一覧を作成できません</translation>
    </message>
    <message>
        <source>The first part file cannot be created</source>
        <translation>最初の分割ファイルを作成できません</translation>
    </message>
    <message>
        <source>The source&apos;s sector size cannot be imaged</source>
        <translation>ソースのセクター サイズはイメージ化できません</translation>
    </message>
    <message>
        <source>Nothing to image</source>
        <translation>イメージ化するデータがありません</translation>
    </message>
    <message>
        <source>The region is too large for one image</source>
        <translation>範囲が大きすぎて 1 つのイメージに収まりません</translation>
    </message>
    <message>
        <source>The image needs more than 58 parts; choose a larger split size</source>
        <translation>イメージに 58 個を超える分割ファイルが必要です。より大きな分割サイズを選択してください</translation>
    </message>
    <message>
        <source>The next part file cannot be created</source>
        <translation>次の分割ファイルを作成できません</translation>
    </message>
    <message>
        <source>A part file would pass 4 GiB; choose a smaller split size</source>
        <translation>分割ファイルが 4 GiB を超えます。より小さな分割サイズを選択してください</translation>
    </message>
    <message>
        <source>A block cannot be written; is the destination full?</source>
        <translation>ブロックを書き込めません。保存先の空き領域は足りていますか?</translation>
    </message>
</context>
<context>
    <name>CDeviceCollector</name>
    <message>
        <source>This image file is open!</source>
        <translation>このイメージ ファイルは既に開かれています。</translation>
    </message>
    <message>
        <source>This is an invalid image file, please check it!</source>
        <translation>無効なイメージ ファイルです。ファイルを確認してください。</translation>
    </message>
    <message>
        <source>This image has been destroyed. </source>
        <translation>このイメージは破損しています。 </translation>
    </message>
    <message>
        <source>Image File, %1</source>
        <translation>イメージ ファイル、%1</translation>
    </message>
    <message>
        <source>Previous Recovery...</source>
        <translation>前回の復元...</translation>
    </message>
    <message>
        <source>No disk of this computer can be opened: reading disks needs administrator rights (run as root, or as a member of the &quot;disk&quot; group). Disk images can still be opened.</source>
        <translation>このコンピューターのディスクを開けません。ディスクの読み取りには管理者権限が必要です (root として、または &quot;disk&quot; グループのメンバーとして実行してください)。ディスク イメージは引き続き開くことができます。</translation>
    </message>
    <message>
        <source>No disk of this computer can be opened: the system refused access to the disks, even to the administrator. A disk image file can be opened instead (Disk Image, Open Disk Image, or Ctrl+O).</source>
        <translation>このコンピューターのディスクを開けません。システムがディスクへのアクセスを拒否しました (管理者に対しても)。代わりにディスク イメージ ファイルを開くことができます ([ディスク イメージ]、[ディスク イメージを開く]、または Ctrl+O)。</translation>
    </message>
</context>
<context>
    <name>CDeviceListPage</name>
    <message>
        <source>The imported file (rsf) does not match the current version. Please import it with the previous version or scan the disk again.</source>
        <translation>インポートしたファイル (rsf) は現在のバージョンと一致しません。以前のバージョンでインポートするか、ディスクをもう一度スキャンしてください。</translation>
    </message>
</context>
<context>
    <name>CDeviceSelectCtrl</name>
    <message>
        <source>Device</source>
        <translation>デバイス</translation>
    </message>
    <message>
        <source>Capacity</source>
        <translation>容量</translation>
    </message>
    <message>
        <source> Information</source>
        <translation> 情報</translation>
    </message>
    <message>
        <source>Disk</source>
        <translation>ディスク</translation>
    </message>
    <message>
        <source>Partition</source>
        <translation>パーティション</translation>
    </message>
</context>
<context>
    <name>CDeviceSelectPage</name>
    <message>
        <source>Open Disk Image</source>
        <translation>ディスク イメージを開く</translation>
    </message>
    <message>
        <source>Open Raw Image File</source>
        <translation>RAW イメージ ファイルを開く</translation>
    </message>
    <message>
        <source>All files (*);;Disk images (*.img *.dd *.raw *.bin *.iso *.qmi)</source>
        <translation>すべてのファイル (*);;ディスク イメージ (*.img *.dd *.raw *.bin *.iso *.qmi)</translation>
    </message>
</context>
<context>
    <name>CFileTypeNameTable</name>
    <message>
        <source>File</source>
        <translation>ファイル</translation>
    </message>
</context>
<context>
    <name>CHasCheckboxPromptDlg</name>
    <message>
        <source>Don&apos;t show this message again.</source>
        <translation>今後このメッセージを表示しない</translation>
    </message>
</context>
<context>
    <name>CHyperLink</name>
    <message>
        <source>Unable to open hyperlink:

</source>
        <translation>リンクを開けません:

</translation>
    </message>
    <message>
        <source>Path Invalid!</source>
        <translation>パスが無効です。</translation>
    </message>
    <message>
        <source>The specified file is not found.</source>
        <translation>指定されたファイルが見つかりません。</translation>
    </message>
    <message>
        <source>There is no application associated
with the given filename extension.</source>
        <translation>このファイル拡張子に関連付けられた
アプリケーションがありません。</translation>
    </message>
</context>
<context>
    <name>CIntelligentSearchingDialog</name>
    <message>
        <source>Partition Tables:</source>
        <translation>パーティション テーブル:</translation>
    </message>
    <message>
        <source>FAT Boot Records:</source>
        <translation>FAT ブート レコード:</translation>
    </message>
    <message>
        <source>FAT Folders:</source>
        <translation>FAT フォルダ:</translation>
    </message>
    <message>
        <source>FAT Folder Parts:</source>
        <translation>FAT フォルダの断片:</translation>
    </message>
    <message>
        <source>NTFS Boot Records:</source>
        <translation>NTFS ブート レコード:</translation>
    </message>
    <message>
        <source>NTFS File Records:</source>
        <translation>NTFS ファイル レコード:</translation>
    </message>
    <message>
        <source>Files Identified:</source>
        <translation>識別されたファイル:</translation>
    </message>
    <message>
        <source>Total Files Found:</source>
        <translation>見つかったファイルの合計:</translation>
    </message>
    <message>
        <source>Intelligent Searching</source>
        <translation>インテリジェント検索</translation>
    </message>
    <message>
        <source>Show all counters</source>
        <translation>すべてのカウンターを表示</translation>
    </message>
    <message>
        <source>Show the total only</source>
        <translation>合計のみ表示</translation>
    </message>
    <message>
        <source>Elapsed Time:</source>
        <translation>経過時間:</translation>
    </message>
    <message>
        <source>Remaining Time:</source>
        <translation>残り時間:</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
</context>
<context>
    <name>CLostPartitionSearchingDialog</name>
    <message>
        <source>Quick Partition Searching</source>
        <translation>パーティションのクイック検索</translation>
    </message>
    <message>
        <source>Elasped Time:</source>
        <translation>経過時間:</translation>
    </message>
    <message>
        <source>Remaining Time:</source>
        <translation>残り時間:</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
</context>
<context>
    <name>CLostRecoveryPartitionDeviceSelectController</name>
    <message>
        <source>The build was stopped: the files shown may be incomplete.</source>
        <translation>構築は中止されました。表示されているファイルは不完全な可能性があります。</translation>
    </message>
</context>
<context>
    <name>CMultipleChoosePartitionListCtrl</name>
    <message>
        <source>Partition</source>
        <translation>パーティション</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>サイズ</translation>
    </message>
    <message>
        <source>Suggestion</source>
        <translation>推奨度</translation>
    </message>
    <message>
        <source>Option</source>
        <translation>オプション</translation>
    </message>
    <message>
        <source>Files Match</source>
        <translation>一致ファイル</translation>
    </message>
    <message>
        <source>Folder Match</source>
        <translation>一致フォルダー</translation>
    </message>
    <message>
        <source>(recommended)</source>
        <translation>(推奨)</translation>
    </message>
    <message>
        <source>High</source>
        <translation>高</translation>
    </message>
    <message>
        <source>Medium</source>
        <translation>中</translation>
    </message>
    <message>
        <source>Low</source>
        <translation>低</translation>
    </message>
    <message>
        <source>$MFT Only</source>
        <translation>$MFT のみ</translation>
    </message>
    <message>
        <source>Partition %1 %2</source>
        <translation>パーティション %1 %2</translation>
    </message>
</context>
<context>
    <name>CPartitionLayoutFrame</name>
    <message>
        <source>Partitions layout on the disk image</source>
        <translation>ディスク イメージ上のパーティション配置</translation>
    </message>
    <message>
        <source>Partitions layout on the partition</source>
        <translation>パーティション上のパーティション配置</translation>
    </message>
    <message>
        <source>Partitions layout on the disk </source>
        <translation>ディスク上のパーティション配置 </translation>
    </message>
    <message>
        <source>Size</source>
        <translation>サイズ</translation>
    </message>
</context>
<context>
    <name>CPartitionLayoutView</name>
    <message>
        <source>Rank</source>
        <translation>ランク</translation>
    </message>
</context>
<context>
    <name>CPropertiesDlg</name>
    <message>
        <source>Name</source>
        <translation>名前</translation>
    </message>
    <message>
        <source>Sector</source>
        <translation>セクター</translation>
    </message>
    <message>
        <source>Cluster</source>
        <translation>クラスター</translation>
    </message>
    <message>
        <source>Parent</source>
        <translation>親</translation>
    </message>
    <message>
        <source>Parent Sector</source>
        <translation>親のセクター</translation>
    </message>
    <message>
        <source>Deleted</source>
        <translation>削除済み</translation>
    </message>
    <message>
        <source>Lost</source>
        <translation>消失</translation>
    </message>
    <message>
        <source>Cross Link</source>
        <translation>クロスリンク</translation>
    </message>
    <message>
        <source>Temp</source>
        <translation>一時</translation>
    </message>
    <message>
        <source>Lay out</source>
        <translation>配置</translation>
    </message>
    <message>
        <source>Record sector</source>
        <translation>レコードのセクター</translation>
    </message>
    <message>
        <source>Compressed</source>
        <translation>圧縮</translation>
    </message>
    <message>
        <source>Encrypted</source>
        <translation>暗号化</translation>
    </message>
    <message>
        <source>Resident</source>
        <translation>常駐</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>サイズ</translation>
    </message>
    <message>
        <source>Offset</source>
        <translation>オフセット</translation>
    </message>
    <message>
        <source>DataAreaSector</source>
        <translation>データ領域のセクター</translation>
    </message>
    <message>
        <source>Start Sector</source>
        <translation>開始セクター</translation>
    </message>
    <message>
        <source>Sector Per Cluster</source>
        <translation>クラスターあたりのセクター数</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>はい</translation>
    </message>
    <message>
        <source>No</source>
        <translation>いいえ</translation>
    </message>
    <message>
        <source>Damaged</source>
        <translation>破損</translation>
    </message>
</context>
<context>
    <name>CSaveFileController</name>
    <message>
        <source>The recovered files cannot be saved to the drive they are recovered from. Please select a folder on another drive.</source>
        <translation>復元したファイルを復元元のドライブに保存することはできません。別のドライブのフォルダーを選択してください。</translation>
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
        <translation>キャンセル</translation>
    </message>
</context>
<context>
    <name>CSaveResultPage</name>
    <message>
        <source>Recovery stopped</source>
        <translation>復元は中止されました</translation>
    </message>
    <message>
        <source>%1 of %2 files could not be recovered</source>
        <translation>%1 個のファイルを復元できませんでした (全 %2 個中)</translation>
    </message>
    <message>
        <source>Recovery Completed</source>
        <translation>復元が完了しました</translation>
    </message>
    <message>
        <source>Folders made:</source>
        <translation>作成したフォルダー:</translation>
    </message>
    <message>
        <source>Double-click a folder to open it.</source>
        <translation>フォルダーをダブルクリックすると開きます。</translation>
    </message>
    <message>
        <source>Files are saved in:</source>
        <translation>ファイルの保存先:</translation>
    </message>
    <message>
        <source>Selected files: %1</source>
        <translation>選択したファイル: %1</translation>
    </message>
    <message>
        <source>Recovered files: %1</source>
        <translation>復元したファイル: %1</translation>
    </message>
    <message>
        <source>Files not recovered: %1</source>
        <translation>復元できなかったファイル: %1</translation>
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
        <translation>検出パーティションのプロパティ</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名前</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>値</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>はい</translation>
    </message>
    <message>
        <source>No</source>
        <translation>いいえ</translation>
    </message>
    <message>
        <source>  From first boot record</source>
        <translation>  最初のブート レコードから</translation>
    </message>
    <message>
        <source>  From last boot record</source>
        <translation>  最後のブート レコードから</translation>
    </message>
    <message>
        <source>  From mft files pair</source>
        <translation>  MFT ファイルのペアから</translation>
    </message>
    <message>
        <source>  From single $mft</source>
        <translation>  単独の $MFT から</translation>
    </message>
    <message>
        <source>  From $mftMirr</source>
        <translation>  $MFTMirr から</translation>
    </message>
    <message>
        <source>  From index/folder comparision</source>
        <translation>  インデックス/フォルダーの比較から</translation>
    </message>
    <message>
        <source>  From First RSTR</source>
        <translation>  最初の RSTR から</translation>
    </message>
    <message>
        <source>  From Second RSTR</source>
        <translation>  2 番目の RSTR から</translation>
    </message>
    <message>
        <source>  From files analysis</source>
        <translation>  ファイル分析から</translation>
    </message>
    <message>
        <source>partition sectors count</source>
        <translation>パーティションのセクター数</translation>
    </message>
    <message>
        <source>data area start sector</source>
        <translation>データ領域の開始セクター</translation>
    </message>
    <message>
        <source>sectors per cluster</source>
        <translation>クラスターあたりのセクター数</translation>
    </message>
    <message>
        <source>Total Clusters</source>
        <translation>総クラスター数</translation>
    </message>
    <message>
        <source>Use$MFT</source>
        <translation>$MFT を使用</translation>
    </message>
    <message>
        <source>ProcessFilesfrom$MFTonly</source>
        <translation>$MFT のファイルのみ処理</translation>
    </message>
    <message>
        <source>Folders match</source>
        <translation>一致フォルダー</translation>
    </message>
    <message>
        <source>Files match</source>
        <translation>一致ファイル</translation>
    </message>
    <message>
        <source>Sectors per $mft file record</source>
        <translation>$MFT ファイル レコードあたりのセクター数</translation>
    </message>
    <message>
        <source>$LogFileMatch</source>
        <translation>$LogFile 一致</translation>
    </message>
    <message>
        <source>$AttrDefMatch</source>
        <translation>$AttrDef 一致</translation>
    </message>
    <message>
        <source>$UpcaseMatch</source>
        <translation>$UpCase 一致</translation>
    </message>
    <message>
        <source>$MFTSector</source>
        <translation>$MFT セクター</translation>
    </message>
    <message>
        <source>$LogFileSector</source>
        <translation>$LogFile セクター</translation>
    </message>
    <message>
        <source>$AttrDefSector</source>
        <translation>$AttrDef セクター</translation>
    </message>
    <message>
        <source>$UpcaseSector</source>
        <translation>$UpCase セクター</translation>
    </message>
    <message>
        <source>SectorsCountfromSystemFiles</source>
        <translation>システム ファイルによるセクター数</translation>
    </message>
    <message>
        <source>Rank</source>
        <translation>ランク</translation>
    </message>
    <message>
        <source>File System</source>
        <translation>ファイル システム</translation>
    </message>
    <message>
        <source>From FAT32 DBR</source>
        <translation>FAT32 DBR から</translation>
    </message>
    <message>
        <source>From FAT32 Backup DBR</source>
        <translation>FAT32 バックアップ DBR から</translation>
    </message>
    <message>
        <source>From FAT16 DBR</source>
        <translation>FAT16 DBR から</translation>
    </message>
    <message>
        <source>From FAT12 DBR</source>
        <translation>FAT12 DBR から</translation>
    </message>
    <message>
        <source>From folders analysis</source>
        <translation>フォルダー分析から</translation>
    </message>
    <message>
        <source>From files analysis</source>
        <translation>ファイル分析から</translation>
    </message>
    <message>
        <source>Partition Start Sector</source>
        <translation>パーティションの開始セクター</translation>
    </message>
    <message>
        <source>Reversed Sector</source>
        <translation>予約セクター</translation>
    </message>
    <message>
        <source>Found FAT1</source>
        <translation>FAT1 検出</translation>
    </message>
    <message>
        <source>Found FAT2</source>
        <translation>FAT2 検出</translation>
    </message>
    <message>
        <source>Sectors Per FAT</source>
        <translation>FAT あたりのセクター数</translation>
    </message>
    <message>
        <source>Data Area Start Sector</source>
        <translation>データ領域の開始セクター</translation>
    </message>
    <message>
        <source>Sectors Per Cluster</source>
        <translation>クラスターあたりのセクター数</translation>
    </message>
    <message>
        <source>Partition Sectors Count</source>
        <translation>パーティションのセクター数</translation>
    </message>
    <message>
        <source>Start Sector</source>
        <translation>開始セクター</translation>
    </message>
    <message>
        <source>Total Sector</source>
        <translation>総セクター数</translation>
    </message>
</context>
<context>
    <name>CWaitingDlg</name>
    <message>
        <source>Please wait, scanning system...</source>
        <translation>システムをスキャンしています。しばらくお待ちください...</translation>
    </message>
</context>
<context>
    <name>CWizardSheet</name>
    <message>
        <source>Deleted File Recovery: the list of volumes comes with the device step.</source>
        <translation>削除ファイルの復元: ボリュームの一覧はデバイスの選択で表示されます。</translation>
    </message>
    <message>
        <source>Format Recovery: the list of volumes and images comes with the device step.</source>
        <translation>フォーマット復元: ボリュームとイメージの一覧はデバイスの選択で表示されます。</translation>
    </message>
    <message>
        <source>Partition Recovery: the list of disks comes with the device step.</source>
        <translation>パーティション復元: ディスクの一覧はデバイスの選択で表示されます。</translation>
    </message>
    <message>
        <source>Found partitions</source>
        <translation>検出されたパーティション</translation>
    </message>
    <message>
        <source>Recovery result</source>
        <translation>復元結果</translation>
    </message>
    <message>
        <source>Save files</source>
        <translation>ファイルの保存</translation>
    </message>
    <message>
        <source>Partitions found on the device</source>
        <translation>デバイスで検出されたパーティション</translation>
    </message>
    <message>
        <source>Partitions found on the disk</source>
        <translation>ディスクで検出されたパーティション</translation>
    </message>
    <message>
        <source>Files found</source>
        <translation>検出されたファイル</translation>
    </message>
    <message>
        <source>Where did you lose your files?</source>
        <translation>ファイルを失った場所を選択してください</translation>
    </message>
    <message>
        <source>Please select files and click Recover to recover.</source>
        <translation>ファイルを選択し、[復元] をクリックしてください。</translation>
    </message>
    <message>
        <source>Deleted Recovery</source>
        <translation>削除ファイルの復元</translation>
    </message>
    <message>
        <source>Photo Recovery</source>
        <translation>写真の復元</translation>
    </message>
    <message>
        <source>Format Recovery</source>
        <translation>フォーマット復元</translation>
    </message>
    <message>
        <source>Partition Recovery</source>
        <translation>パーティション復元</translation>
    </message>
    <message>
        <source>Data recovery in a few steps: choose how your files were lost.</source>
        <translation>数ステップでデータを復元: ファイルを失った状況を選んでください。</translation>
    </message>
    <message>
        <source>Please select partition that may contain your data.</source>
        <translation>データが含まれている可能性のあるパーティションを選択してください。</translation>
    </message>
    <message>
        <source>Home</source>
        <translation>ホーム</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>次へ</translation>
    </message>
    <message>
        <source>Recover</source>
        <translation>復元</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>戻る</translation>
    </message>
    <message>
        <source>Website</source>
        <translation>Web サイト</translation>
    </message>
    <message>
        <source>Support</source>
        <translation>サポート</translation>
    </message>
    <message>
        <source>About</source>
        <translation>バージョン情報</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>言語</translation>
    </message>
</context>
<context>
    <name>DevicePageMenus</name>
    <message>
        <source>Disk Image</source>
        <translation>ディスク イメージ</translation>
    </message>
    <message>
        <source>Open Disk Image</source>
        <translation>ディスク イメージを開く</translation>
    </message>
    <message>
        <source>Delete Image</source>
        <translation>イメージを削除</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>続行</translation>
    </message>
    <message>
        <source>Recover</source>
        <translation>復元</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>Properties</source>
        <translation>プロパティ</translation>
    </message>
</context>
<context>
    <name>FileFilter</name>
    <message>
        <source>All File Types</source>
        <translation>すべてのファイルの種類</translation>
    </message>
    <message>
        <source>Documents</source>
        <translation>ドキュメント</translation>
    </message>
    <message>
        <source>Docs</source>
        <translation>ドキュメント</translation>
    </message>
    <message>
        <source>Word, Excel, PowerPoint, PDF, text and other office documents</source>
        <translation>Word、Excel、PowerPoint、PDF、テキストなどのオフィス文書</translation>
    </message>
    <message>
        <source>Microsoft Word Document</source>
        <translation>Microsoft Word 文書</translation>
    </message>
    <message>
        <source>Microsoft Word Open XML Document</source>
        <translation>Microsoft Word Open XML 文書</translation>
    </message>
    <message>
        <source>Microsoft Excel Spreadsheet</source>
        <translation>Microsoft Excel ワークシート</translation>
    </message>
    <message>
        <source>Microsoft Excel Open XML Spreadsheet</source>
        <translation>Microsoft Excel Open XML ワークシート</translation>
    </message>
    <message>
        <source>Microsoft PowerPoint Presentation</source>
        <translation>Microsoft PowerPoint プレゼンテーション</translation>
    </message>
    <message>
        <source>Microsoft PowerPoint Open XML Presentation</source>
        <translation>Microsoft PowerPoint Open XML プレゼンテーション</translation>
    </message>
    <message>
        <source>Microsoft OneNote Notebook</source>
        <translation>Microsoft OneNote ノートブック</translation>
    </message>
    <message>
        <source>Microsoft Publisher Document</source>
        <translation>Microsoft Publisher 文書</translation>
    </message>
    <message>
        <source>Microsoft Project File</source>
        <translation>Microsoft Project ファイル</translation>
    </message>
    <message>
        <source>Microsoft Visio Drawing</source>
        <translation>Microsoft Visio 図面</translation>
    </message>
    <message>
        <source>Compound Document (OLE)</source>
        <translation>複合ドキュメント (OLE)</translation>
    </message>
    <message>
        <source>Adobe PDF Document</source>
        <translation>Adobe PDF 文書</translation>
    </message>
    <message>
        <source>Rich Text Format Document</source>
        <translation>リッチ テキスト形式の文書</translation>
    </message>
    <message>
        <source>WordPerfect Document</source>
        <translation>WordPerfect 文書</translation>
    </message>
    <message>
        <source>Corel Presentations Slide Show</source>
        <translation>Corel Presentations スライド ショー</translation>
    </message>
    <message>
        <source>Quattro Pro Spreadsheet</source>
        <translation>Quattro Pro ワークシート</translation>
    </message>
    <message>
        <source>OpenDocument Files</source>
        <translation>OpenDocument ファイル</translation>
    </message>
    <message>
        <source>Web Page</source>
        <translation>Web ページ</translation>
    </message>
    <message>
        <source>Text Document</source>
        <translation>テキスト文書</translation>
    </message>
    <message>
        <source>Compiled Help File</source>
        <translation>コンパイル済みヘルプ ファイル</translation>
    </message>
    <message>
        <source>Windows Help File</source>
        <translation>Windows ヘルプ ファイル</translation>
    </message>
    <message>
        <source>Pictures</source>
        <translation>画像</translation>
    </message>
    <message>
        <source>Photos, camera raw files, drawings and icons</source>
        <translation>写真、カメラの RAW ファイル、図面、アイコン</translation>
    </message>
    <message>
        <source>JPEG Image</source>
        <translation>JPEG 画像</translation>
    </message>
    <message>
        <source>PNG Image</source>
        <translation>PNG 画像</translation>
    </message>
    <message>
        <source>GIF Image</source>
        <translation>GIF 画像</translation>
    </message>
    <message>
        <source>Bitmap Image</source>
        <translation>ビットマップ画像</translation>
    </message>
    <message>
        <source>TIFF Image</source>
        <translation>TIFF 画像</translation>
    </message>
    <message>
        <source>Canon Raw Image</source>
        <translation>Canon RAW 画像</translation>
    </message>
    <message>
        <source>Nikon Raw Image</source>
        <translation>Nikon RAW 画像</translation>
    </message>
    <message>
        <source>Other Camera Raw Image</source>
        <translation>その他のカメラ RAW 画像</translation>
    </message>
    <message>
        <source>Adobe Photoshop Image</source>
        <translation>Adobe Photoshop 画像</translation>
    </message>
    <message>
        <source>Paint Shop Pro Image</source>
        <translation>Paint Shop Pro 画像</translation>
    </message>
    <message>
        <source>Icon</source>
        <translation>アイコン</translation>
    </message>
    <message>
        <source>Cursor</source>
        <translation>カーソル</translation>
    </message>
    <message>
        <source>Animated Cursor</source>
        <translation>アニメーション カーソル</translation>
    </message>
    <message>
        <source>Windows Metafile</source>
        <translation>Windows メタファイル</translation>
    </message>
    <message>
        <source>Enhanced Metafile</source>
        <translation>拡張メタファイル</translation>
    </message>
    <message>
        <source>WordPerfect Graphic</source>
        <translation>WordPerfect グラフィック</translation>
    </message>
    <message>
        <source>CorelDRAW Drawing</source>
        <translation>CorelDRAW 図面</translation>
    </message>
    <message>
        <source>Corel Presentation Exchange</source>
        <translation>Corel Presentation Exchange</translation>
    </message>
    <message>
        <source>Corel Photo-Paint Image</source>
        <translation>Corel Photo-Paint 画像</translation>
    </message>
    <message>
        <source>Corel R.A.V.E. Animation</source>
        <translation>Corel R.A.V.E. アニメーション</translation>
    </message>
    <message>
        <source>Corel Symbol Library</source>
        <translation>Corel シンボル ライブラリ</translation>
    </message>
    <message>
        <source>Adobe Illustrator Drawing</source>
        <translation>Adobe Illustrator 図面</translation>
    </message>
    <message>
        <source>Encapsulated PostScript</source>
        <translation>Encapsulated PostScript</translation>
    </message>
    <message>
        <source>FreeHand Drawing</source>
        <translation>FreeHand 図面</translation>
    </message>
    <message>
        <source>AutoCAD Drawing</source>
        <translation>AutoCAD 図面</translation>
    </message>
    <message>
        <source>Drawing Exchange Format</source>
        <translation>DXF 図面交換形式</translation>
    </message>
    <message>
        <source>3D Studio Scene</source>
        <translation>3D Studio シーン</translation>
    </message>
    <message>
        <source>3ds Max Scene</source>
        <translation>3ds Max シーン</translation>
    </message>
    <message>
        <source>Scalable Vector Graphics</source>
        <translation>SVG ベクター グラフィック</translation>
    </message>
    <message>
        <source>WebP Image</source>
        <translation>WebP 画像</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>オーディオ</translation>
    </message>
    <message>
        <source>Music</source>
        <translation>音楽</translation>
    </message>
    <message>
        <source>MP3, WAV, MIDI and other sound files</source>
        <translation>MP3、WAV、MIDI などのサウンド ファイル</translation>
    </message>
    <message>
        <source>MP3 Audio</source>
        <translation>MP3 オーディオ</translation>
    </message>
    <message>
        <source>Wave Audio</source>
        <translation>WAVE オーディオ</translation>
    </message>
    <message>
        <source>RIFF File</source>
        <translation>RIFF ファイル</translation>
    </message>
    <message>
        <source>MIDI Sequence</source>
        <translation>MIDI シーケンス</translation>
    </message>
    <message>
        <source>Sun Audio</source>
        <translation>Sun オーディオ</translation>
    </message>
    <message>
        <source>Windows Media Audio</source>
        <translation>Windows Media オーディオ</translation>
    </message>
    <message>
        <source>Other Audio</source>
        <translation>その他のオーディオ</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>ビデオ</translation>
    </message>
    <message>
        <source>Videos</source>
        <translation>ビデオ</translation>
    </message>
    <message>
        <source>Films from cameras and phones, Flash and media files</source>
        <translation>カメラや携帯電話の動画、Flash やメディア ファイル</translation>
    </message>
    <message>
        <source>AVI Video</source>
        <translation>AVI ビデオ</translation>
    </message>
    <message>
        <source>QuickTime Movie</source>
        <translation>QuickTime ムービー</translation>
    </message>
    <message>
        <source>MPEG-4 Video</source>
        <translation>MPEG-4 ビデオ</translation>
    </message>
    <message>
        <source>3GPP Video</source>
        <translation>3GPP ビデオ</translation>
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
        <translation>その他のビデオ</translation>
    </message>
    <message>
        <source>Archives</source>
        <translation>アーカイブ</translation>
    </message>
    <message>
        <source>ZIP, RAR, cabinet and other compressed files</source>
        <translation>ZIP、RAR、CAB などの圧縮ファイル</translation>
    </message>
    <message>
        <source>ZIP Archive</source>
        <translation>ZIP アーカイブ</translation>
    </message>
    <message>
        <source>RAR Archive</source>
        <translation>RAR アーカイブ</translation>
    </message>
    <message>
        <source>Cabinet File</source>
        <translation>キャビネット ファイル</translation>
    </message>
    <message>
        <source>Gzip Archive</source>
        <translation>Gzip アーカイブ</translation>
    </message>
    <message>
        <source>Tape Archive</source>
        <translation>TAR アーカイブ</translation>
    </message>
    <message>
        <source>LZH Archive</source>
        <translation>LZH アーカイブ</translation>
    </message>
    <message>
        <source>Other Archive</source>
        <translation>その他のアーカイブ</translation>
    </message>
    <message>
        <source>E-mail and Databases</source>
        <translation>電子メールとデータベース</translation>
    </message>
    <message>
        <source>Mail</source>
        <translation>メール</translation>
    </message>
    <message>
        <source>Outlook and Outlook Express mail, Access and Money files</source>
        <translation>Outlook と Outlook Express のメール、Access と Money のファイル</translation>
    </message>
    <message>
        <source>Outlook Personal Folders</source>
        <translation>Outlook 個人用フォルダー</translation>
    </message>
    <message>
        <source>Outlook Express Mail Folder</source>
        <translation>Outlook Express メール フォルダー</translation>
    </message>
    <message>
        <source>E-mail Message</source>
        <translation>電子メール メッセージ</translation>
    </message>
    <message>
        <source>Microsoft Access Database</source>
        <translation>Microsoft Access データベース</translation>
    </message>
    <message>
        <source>Microsoft Access 2007 Database</source>
        <translation>Microsoft Access 2007 データベース</translation>
    </message>
    <message>
        <source>Microsoft Access Project</source>
        <translation>Microsoft Access プロジェクト</translation>
    </message>
    <message>
        <source>Microsoft Money File</source>
        <translation>Microsoft Money ファイル</translation>
    </message>
    <message>
        <source>Programs and Fonts</source>
        <translation>プログラムとフォント</translation>
    </message>
    <message>
        <source>Programs</source>
        <translation>プログラム</translation>
    </message>
    <message>
        <source>Programs, libraries, fonts and system files</source>
        <translation>プログラム、ライブラリ、フォント、システム ファイル</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>プログラム</translation>
    </message>
    <message>
        <source>Program Library</source>
        <translation>プログラム ライブラリ</translation>
    </message>
    <message>
        <source>TrueType Font</source>
        <translation>TrueType フォント</translation>
    </message>
    <message>
        <source>Managed Object Format</source>
        <translation>Managed Object Format (MOF)</translation>
    </message>
    <message>
        <source>Other Files</source>
        <translation>その他のファイル</translation>
    </message>
    <message>
        <source>Others</source>
        <translation>その他</translation>
    </message>
    <message>
        <source>Every file whose type is not in the lists above</source>
        <translation>上記の一覧にない種類のすべてのファイル</translation>
    </message>
    <message>
        <source>Files of Any Other Type</source>
        <translation>その他の種類のファイル</translation>
    </message>
    <message>
        <source>Unknown File Type.</source>
        <translation>不明なファイルの種類</translation>
    </message>
</context>
<context>
    <name>FoundTree</name>
    <message>
        <source>Deleted Files</source>
        <translation>削除されたファイル</translation>
    </message>
</context>
<context>
    <name>HelpWindow</name>
    <message>
        <source>%1 Help</source>
        <translation>%1 ヘルプ</translation>
    </message>
</context>
<context>
    <name>ImagingStrings</name>
    <message>
        <source>All files (*)</source>
        <translation>すべてのファイル (*)</translation>
    </message>
    <message>
        <source>This is an INVALID file, please check it!</source>
        <translation>無効なファイルです。ファイルを確認してください。</translation>
    </message>
    <message>
        <source>Warning! Failed to set the timer!</source>
        <translation>警告: タイマーを設定できませんでした。</translation>
    </message>
    <message>
        <source>Open Disk Image Wizard</source>
        <translation>ディスク イメージを開くウィザード</translation>
    </message>
    <message>
        <source>Open Disk Image File(.qmi)</source>
        <translation>ディスク イメージ ファイルを開く (.qmi)</translation>
    </message>
    <message>
        <source>Correct error in Disk Image Configuration</source>
        <translation>ディスク イメージ構成のエラーを修正</translation>
    </message>
    <message>
        <source>Have not found qmp file, please check the path!</source>
        <translation>qmp ファイルが見つかりません。パスを確認してください。</translation>
    </message>
    <message>
        <source>Can&apos;t open or it is not an Image File, please check the file!</source>
        <translation>ファイルを開けないか、イメージ ファイルではありません。ファイルを確認してください。</translation>
    </message>
    <message>
        <source>Disk Image Wizard</source>
        <translation>ディスク イメージ ウィザード</translation>
    </message>
    <message>
        <source>Cancel Wizard ?</source>
        <translation>ウィザードをキャンセルしますか?</translation>
    </message>
    <message>
        <source>File error! please check the it!</source>
        <translation>ファイル エラーです。ファイルを確認してください。</translation>
    </message>
    <message>
        <source>The length is enough!</source>
        <translation>パスが長すぎます。</translation>
    </message>
    <message>
        <source>Fastest</source>
        <translation>最速</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>標準</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>最大</translation>
    </message>
    <message>
        <source>Zorv%s_DiskImageFile.qmi</source>
        <translation>Zorv%s_DiskImageFile.qmi</translation>
    </message>
    <message>
        <source>Quenmark ImageFile(*.qmi)</source>
        <translation>Quenmark イメージ ファイル (*.qmi)</translation>
    </message>
    <message>
        <source>   Sectors</source>
        <translation>   セクター</translation>
    </message>
    <message>
        <source>None</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>slice</source>
        <translation>分割ファイル</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>場所</translation>
    </message>
    <message>
        <source>VALID</source>
        <translation>有効</translation>
    </message>
    <message>
        <source>INVALID</source>
        <translation>無効</translation>
    </message>
    <message>
        <source>The free space on the disk is not enough to save the Disk Image data.
Click YES to select another location for Disk Image files or NO to abort wizard.</source>
        <translation>ディスクの空き領域が足りないため、ディスク イメージのデータを保存できません。
[はい] をクリックするとディスク イメージ ファイルの別の保存先を選択できます。[いいえ] をクリックするとウィザードを中止します。</translation>
    </message>
    <message>
        <source> Free space is not enough, the progress must be cancelled.</source>
        <translation> 空き領域が足りないため、処理を中止します。</translation>
    </message>
    <message>
        <source>Calculating...</source>
        <translation>計算中...</translation>
    </message>
    <message>
        <source>Disk Imaging Process</source>
        <translation>ディスク イメージの作成中</translation>
    </message>
    <message>
        <source>Source Disk Region</source>
        <translation>ソース ディスクの範囲</translation>
    </message>
    <message>
        <source>Disk Image Summary</source>
        <translation>ディスク イメージの概要</translation>
    </message>
    <message>
        <source>Disk Image Destination File</source>
        <translation>ディスク イメージの保存先ファイル</translation>
    </message>
    <message>
        <source>Please check the path you are trying to save to and try again.</source>
        <translation>保存先のパスを確認して、もう一度やり直してください。</translation>
    </message>
    <message>
        <source>Cancel Disk Image?</source>
        <translation>ディスク イメージの作成をキャンセルしますか?</translation>
    </message>
    <message>
        <source>Fail!</source>
        <translation>失敗しました。</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>&quot;%1&quot; is being opened in another program.</source>
        <translation>「%1」を別のプログラムで開いています。</translation>
    </message>
    <message>
        <source>Cannot preview this file.</source>
        <translation>このファイルはプレビューできません。</translation>
    </message>
    <message>
        <source>Cannot preview directory.</source>
        <translation>フォルダーはプレビューできません。</translation>
    </message>
    <message>
        <source>Cannot preview encrypted file.</source>
        <translation>暗号化されたファイルはプレビューできません。</translation>
    </message>
    <message>
        <source>The file is too big to preview. (Max size: 100M)</source>
        <translation>ファイルが大きすぎてプレビューできません。(最大 100M)</translation>
    </message>
    <message>
        <source>Please select a file to preview!</source>
        <translation>プレビューするファイルを選択してください。</translation>
    </message>
    <message>
        <source>Failed to preview the file. The file is neither a valid Word nor Excel document.</source>
        <translation>ファイルをプレビューできませんでした。有効な Word 文書でも Excel 文書でもありません。</translation>
    </message>
    <message>
        <source>Please select a file to recover!</source>
        <translation>復元するファイルを選択してください。</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>すべてのファイル (*)</translation>
    </message>
    <message>
        <source>CAUTION! We do NOT recommend you to save the recovered files to the same drive because this can reduce the chance of successful recovery. 

Are you sure to recover files to the same drive?</source>
        <translation>注意: 復元したファイルを同じドライブに保存することはお勧めしません。復元に成功する可能性が低くなることがあります。

同じドライブにファイルを復元してもよろしいですか?</translation>
    </message>
    <message>
        <source>Encrypted file must be recovered on the NTFS partition, please select another drive.</source>
        <translation>暗号化されたファイルは NTFS パーティションに復元する必要があります。別のドライブを選択してください。</translation>
    </message>
    <message>
        <source>The free space is not enough, please select another drive.</source>
        <translation>空き領域が足りません。別のドライブを選択してください。</translation>
    </message>
    <message>
        <source>The recovered file cannot be saved to the drive it is recovered from. Please select another drive.</source>
        <translation>復元したファイルは、復元元のドライブには保存できません。別のドライブを選択してください。</translation>
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
        <translation>ハード ディスク、メモリ カード、USB ドライブから失われたファイルを復元します。ファイルを失った状況を選んでください。</translation>
    </message>
    <message>
        <source>Recover deleted files from a partition or removable media, such as files deleted by Shift + Delete or emptied from Recycle Bin.</source>
        <translation>Shift + Delete で削除したファイルやごみ箱から消去したファイルなど、パーティションやリムーバブル メディアから削除されたファイルを復元します。</translation>
    </message>
    <message>
        <source>Recover formatted files from existing partitions under any conditions. such as damaged or formatted partition, drive display as RAW etc.</source>
        <translation>破損またはフォーマットされたパーティション、RAW と表示されるドライブなど、あらゆる状態の既存パーティションからファイルを復元します。</translation>
    </message>
    <message>
        <source>Find out lost, deleted, resized or damaged partition, MBR corrupted, partition overwritten etc. and then recover lost files and folders.</source>
        <translation>失われた、削除された、サイズが変更された、または破損したパーティション (MBR の破損や上書きなど) を探し出し、失われたファイルとフォルダーを復元します。</translation>
    </message>
    <message>
        <source>  Deleted File Recovery  </source>
        <translation>  削除ファイルの復元  </translation>
    </message>
    <message>
        <source>  Format Recovery  </source>
        <translation>  フォーマット復元  </translation>
    </message>
    <message>
        <source>  Partition Recovery  </source>
        <translation>  パーティション復元  </translation>
    </message>
    <message>
        <source>Are you sure to return to home page?</source>
        <translation>ホーム ページに戻りますか?</translation>
    </message>
    <message>
        <source>Exit now?</source>
        <translation>終了しますか?</translation>
    </message>
    <message>
        <source>  Quenmark  </source>
        <translation>  Quenmark  </translation>
    </message>
    <message>
        <source>English</source>
        <translation>英語</translation>
    </message>
    <message>
        <source>Save language failed!</source>
        <translation>言語を保存できませんでした。</translation>
    </message>
    <message>
        <source>You have modified the system setting, please restart to apply. Restart now?</source>
        <translation>設定を変更しました。適用するには再起動が必要です。今すぐ再起動しますか?</translation>
    </message>
    <message>
        <source>MSXML not registered</source>
        <translation>MSXML が登録されていません</translation>
    </message>
    <message>
        <source>Unable to create MSXML instance</source>
        <translation>MSXML のインスタンスを作成できません</translation>
    </message>
    <message>
        <source>Quenmark has encountered a memory problem and needs to close.
We are sorry for the inconvenience.
You can enlarge your virtual memory and try again.</source>
        <translation>Quenmark でメモリの問題が発生したため、終了します。
ご迷惑をおかけして申し訳ありません。
仮想メモリを増やしてから、もう一度お試しください。</translation>
    </message>
    <message>
        <source>Please restart the program manually!</source>
        <translation>プログラムを手動で再起動してください。</translation>
    </message>
    <message>
        <source>Quenmark has been running!</source>
        <translation>Quenmark は既に実行されています。</translation>
    </message>
    <message>
        <source>zorv.chm</source>
        <translation>zorv.chm</translation>
    </message>
    <message>
        <source>Japanese</source>
        <translation>日本語</translation>
    </message>
    <message>
        <source>  Photo Recovery  </source>
        <translation>  写真の復元  </translation>
    </message>
    <message>
        <source>Recover photos, camera raw pictures and images from memory cards, cameras and disks, even after formatting.</source>
        <translation>メモリ カード、カメラ、ディスクから写真、カメラの RAW 画像、画像を復元します。フォーマット後でも復元できます。</translation>
    </message>
    <message>
        <source>Failed to allocate the memory. Please untick &quot;Recover RAW file&quot; in RAW of &quot;Option&quot; and try again. </source>
        <translation>メモリを確保できませんでした。[オプション] の [RAW] で [RAW ファイルを復元する] のチェックを外してから、もう一度お試しください。 </translation>
    </message>
    <message>
        <source>Failed to restore last search result.</source>
        <translation>前回の検索結果を読み込めませんでした。</translation>
    </message>
    <message>
        <source>Select a disk to recover please.</source>
        <translation>復元するディスクを選択してください。</translation>
    </message>
    <message>
        <source>Select a partition to recover please.</source>
        <translation>復元するパーティションを選択してください。</translation>
    </message>
    <message>
        <source>Select a partition and click Next to recover:</source>
        <translation>パーティションを選択し、[次へ] をクリックしてください:</translation>
    </message>
    <message>
        <source>Full Scan ( If the partition is not found, please check it and click Next )</source>
        <translation>完全スキャン (パーティションが見つからない場合は、チェックを入れて [次へ] をクリック)</translation>
    </message>
    <message>
        <source>Recover</source>
        <translation>復元</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>続行</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>Recovery State File(*.rsf)|*.rsf||</source>
        <translation>復元状態ファイル(*.rsf)|*.rsf||</translation>
    </message>
    <message>
        <source>Manually select historical partitions: for those who know partition structure &amp;&amp; data recovery mechanism.</source>
        <translation>過去のパーティションを手動で選択: パーティション構造とデータ復元の仕組みに詳しい方向け。</translation>
    </message>
    <message>
        <source>Select a partition to recover, please.</source>
        <translation>復元するパーティションを選択してください。</translation>
    </message>
    <message>
        <source>Calculating...</source>
        <translation>計算中...</translation>
    </message>
    <message>
        <source>CAUTION! We do NOT recommend you to save the recovered files to the same drive because this can reduce the chance of successful recovery. 

Are you sure to recover files to the same drive?</source>
        <translation>注意: 復元したファイルを同じドライブに保存することはお勧めしません。復元に成功する可能性が低くなることがあります。 

本当に同じドライブにファイルを復元しますか?</translation>
    </message>
    <message>
        <source>No disk in the drive!</source>
        <translation>ドライブにディスクがありません!</translation>
    </message>
    <message>
        <source>The specific drive does not exist!</source>
        <translation>指定したドライブは存在しません!</translation>
    </message>
    <message>
        <source>The drive is not formatted!</source>
        <translation>ドライブがフォーマットされていません!</translation>
    </message>
    <message>
        <source>Invalid path name!</source>
        <translation>パス名が正しくありません!</translation>
    </message>
    <message>
        <source>The drive is a RAM disk!</source>
        <translation>このドライブは RAM ディスクです!</translation>
    </message>
    <message>
        <source>The drive is not ready!</source>
        <translation>ドライブの準備ができていません!</translation>
    </message>
    <message>
        <source>The drive is not writable!</source>
        <translation>ドライブに書き込めません!</translation>
    </message>
    <message>
        <source>Invalid parameter!</source>
        <translation>パラメーターが正しくありません!</translation>
    </message>
    <message>
        <source>Invalid symbol!</source>
        <translation>使用できない文字が含まれています!</translation>
    </message>
    <message>
        <source>Path too long!</source>
        <translation>パスが長すぎます!</translation>
    </message>
    <message>
        <source>Please select a folder to save the recovered files!</source>
        <translation>復元したファイルを保存するフォルダーを選択してください!</translation>
    </message>
    <message>
        <source>Unknown error!</source>
        <translation>不明なエラーです!</translation>
    </message>
    <message>
        <source>Encrypted file must be recovered on the NTFS partition,
please select other drive.</source>
        <translation>暗号化されたファイルは NTFS パーティションに復元する必要があります。
別のドライブを選択してください。</translation>
    </message>
    <message>
        <source>Path</source>
        <translation>パス</translation>
    </message>
    <message>
        <source>Select location to save files:</source>
        <translation>ファイルの保存先を選択:</translation>
    </message>
    <message>
        <source>The free space is not enough, please select other drive.</source>
        <translation>空き領域が足りません。別のドライブを選択してください。</translation>
    </message>
    <message>
        <source>Quit recovering?</source>
        <translation>復元を中止しますか?</translation>
    </message>
    <message>
        <source>You select %s in %d file(s).</source>
        <translation>%s (%d 個のファイル) を選択しました。</translation>
    </message>
    <message>
        <source>Cancelling...</source>
        <translation>中止しています...</translation>
    </message>
    <message>
        <source>Are you sure to quit searching?</source>
        <translation>検索を中止してもよろしいですか?</translation>
    </message>
    <message>
        <source>Select files to save, please.</source>
        <translation>保存するファイルを選択してください。</translation>
    </message>
    <message>
        <source>Abort Building?</source>
        <translation>構築を中止しますか?</translation>
    </message>
    <message>
        <source>Nothing selected</source>
        <translation>何も選択されていません</translation>
    </message>
    <message>
        <source>Locate in the main list</source>
        <translation>メイン一覧で表示</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>選択</translation>
    </message>
    <message>
        <source>Deselect</source>
        <translation>選択解除</translation>
    </message>
    <message>
        <source>State</source>
        <translation>状態</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>ファイル名</translation>
    </message>
    <message>
        <source>File Size</source>
        <translation>ファイルサイズ</translation>
    </message>
    <message>
        <source>File Type</source>
        <translation>ファイルの種類</translation>
    </message>
    <message>
        <source>Modified Time</source>
        <translation>更新日時</translation>
    </message>
    <message>
        <source>Created Time</source>
        <translation>作成日時</translation>
    </message>
    <message>
        <source>Last Access Time</source>
        <translation>最終アクセス日時</translation>
    </message>
    <message>
        <source>Recovery</source>
        <translation>復元</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>プレビュー</translation>
    </message>
    <message>
        <source>Total %s in %d files</source>
        <translation>合計 %s (%d 個のファイル)</translation>
    </message>
    <message>
        <source>Selected %s in %d files</source>
        <translation>選択済み %s (%d 個のファイル)</translation>
    </message>
    <message>
        <source>Please wait a minute for there are too many files in the directory you selected.</source>
        <translation>選択したフォルダーには多数のファイルがあります。しばらくお待ちください。</translation>
    </message>
    <message>
        <source>If the files are not found or corrupted in this mode, please go to &quot;Format Recovery&quot;!</source>
        <translation>このモードでファイルが見つからないか破損している場合は、「フォーマット復元」をお試しください!</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>ファイル</translation>
    </message>
    <message>
        <source>No files found, please go to Format Recovery mode!</source>
        <translation>ファイルが見つかりません。「フォーマット復元」モードをお試しください!</translation>
    </message>
    <message>
        <source>Return to devices list?</source>
        <translation>デバイス一覧に戻りますか?</translation>
    </message>
    <message>
        <source>Select a device to recover please.</source>
        <translation>復元するデバイスを選択してください。</translation>
    </message>
    <message>
        <source>Please choose a partition to recover.</source>
        <translation>復元するパーティションを選択してください。</translation>
    </message>
    <message>
        <source>Please select partitions, the number of partitions should be no more than 4 !</source>
        <translation>パーティションを選択してください。選択できるのは 4 つまでです!</translation>
    </message>
    <message>
        <source>Do you want to stop searching?</source>
        <translation>検索を中止しますか?</translation>
    </message>
    <message>
        <source>Save recovery states</source>
        <translation>復元の状態を保存</translation>
    </message>
    <message>
        <source>Restore previous recovery</source>
        <translation>前回の復元を再開</translation>
    </message>
    <message>
        <source>Saving recovery states...</source>
        <translation>復元の状態を保存しています...</translation>
    </message>
    <message>
        <source>Results for <byte value="xd"/>
Partition </source>
        <translation>結果: <byte value="xd"/>
パーティション </translation>
    </message>
    <message>
        <source>Results for <byte value="xd"/>
Image File </source>
        <translation>結果: <byte value="xd"/>
イメージ ファイル </translation>
    </message>
    <message>
        <source>Results for <byte value="xd"/>
Disk </source>
        <translation>結果: <byte value="xd"/>
ディスク </translation>
    </message>
    <message>
        <source>The search results (.rsf) was exported successfully.</source>
        <translation>検索結果 (.rsf) をエクスポートしました。</translation>
    </message>
    <message>
        <source>Failed to export the search results (.rsf).</source>
        <translation>検索結果 (.rsf) をエクスポートできませんでした。</translation>
    </message>
    <message>
        <source>No files found!</source>
        <translation>ファイルが見つかりません!</translation>
    </message>
    <message>
        <source>If the files you need are not found, please select the &quot;Full scan&quot;.</source>
        <translation>必要なファイルが見つからない場合は「完全スキャン」を選択してください。</translation>
    </message>
    <message>
        <source>Search files</source>
        <translation>ファイルの検索</translation>
    </message>
    <message>
        <source>View</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>List</source>
        <translation>一覧</translation>
    </message>
    <message>
        <source>Thumbnail</source>
        <translation>サムネイル</translation>
    </message>
    <message>
        <source>(All Files)</source>
        <translation>(すべてのファイル)</translation>
    </message>
</context>
<context>
    <name>qm::CAboutFreeDlg</name>
    <message>
        <source>For the latest product information, please visit:</source>
        <translation>最新の製品情報については、次のサイトをご覧ください:</translation>
    </message>
    <message>
        <source>Recovers deleted, formatted and lost files and partitions, reading your disks without ever writing to them.</source>
        <translation>削除、フォーマット、消失したファイルとパーティションを復元します。ディスクは読み取るだけで、書き込むことはありません。</translation>
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
        <translation>経過時間:</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Building directory</source>
        <translation>ディレクトリを構築中</translation>
    </message>
</context>
<context>
    <name>qm::CCopyProgressDlg</name>
    <message>
        <source>Abort</source>
        <translation>中止</translation>
    </message>
    <message>
        <source>Process:</source>
        <translation>進行状況:</translation>
    </message>
    <message>
        <source>Remaining Time:</source>
        <translation>残り時間:</translation>
    </message>
    <message>
        <source>Calculating...</source>
        <translation>計算中...</translation>
    </message>
    <message>
        <source>Cancelling...</source>
        <translation>キャンセル中...</translation>
    </message>
</context>
<context>
    <name>qm::CDeviceListPage</name>
    <message>
        <source>Refresh</source>
        <translation>最新の情報に更新</translation>
    </message>
    <message>
        <source>Look for disks and volumes again</source>
        <translation>ディスクとボリュームを再検索します</translation>
    </message>
    <message>
        <source>Disk Image</source>
        <translation>ディスク イメージ</translation>
    </message>
    <message>
        <source>Import Scan Result</source>
        <translation>スキャン結果のインポート</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>オプション</translation>
    </message>
</context>
<context>
    <name>qm::CFileListCtrl</name>
    <message>
        <source>Properties</source>
        <translation>プロパティ</translation>
    </message>
</context>
<context>
    <name>qm::CFilePreViewDlg</name>
    <message>
        <source>Recover</source>
        <translation>復元</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>テキスト</translation>
    </message>
    <message>
        <source>Hex</source>
        <translation>16 進</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>画像</translation>
    </message>
    <message>
        <source>Best Fit</source>
        <translation>ウィンドウに合わせる</translation>
    </message>
    <message>
        <source>Actual Size</source>
        <translation>実際のサイズ</translation>
    </message>
    <message>
        <source>Recover this file</source>
        <translation>このファイルを復元</translation>
    </message>
    <message>
        <source> - File Preview</source>
        <translation> - ファイル プレビュー</translation>
    </message>
</context>
<context>
    <name>qm::CFileSelectPage</name>
    <message>
        <source>Export Scan Result</source>
        <translation>スキャン結果のエクスポート</translation>
    </message>
    <message>
        <source>Search File</source>
        <translation>ファイルの検索</translation>
    </message>
    <message>
        <source>File Preview</source>
        <translation>ファイル プレビュー</translation>
    </message>
    <message>
        <source>Find file by name...</source>
        <translation>名前でファイルを検索...</translation>
    </message>
    <message>
        <source>Search files...</source>
        <translation>ファイルの検索...</translation>
    </message>
    <message>
        <source>Properties</source>
        <translation>プロパティ</translation>
    </message>
    <message>
        <source>The window is too narrow to show the search results. Please make it wider and search again.</source>
        <translation>ウィンドウの幅が狭すぎるため、検索結果を表示できません。ウィンドウを広げてから、もう一度検索してください。</translation>
    </message>
</context>
<context>
    <name>qm::CFindFileDlg</name>
    <message>
        <source>Match Case</source>
        <translation>大文字と小文字を区別</translation>
    </message>
    <message>
        <source>Whole Word</source>
        <translation>単語単位</translation>
    </message>
    <message>
        <source>Find Next</source>
        <translation>次を検索</translation>
    </message>
    <message>
        <source>Find file by name</source>
        <translation>名前でファイルを検索</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>Find Name:</source>
        <translation>検索する名前:</translation>
    </message>
    <message>
        <source>No files found</source>
        <translation>ファイルが見つかりません</translation>
    </message>
    <message>
        <source>No more files found.</source>
        <translation>これ以上ファイルは見つかりません。</translation>
    </message>
</context>
<context>
    <name>qm::CImageDiskADPathChooseDlg</name>
    <message>
        <source>Disk Image File Name:</source>
        <translation>ディスク イメージ ファイル名:</translation>
    </message>
    <message>
        <source>Compress Disk Image File,compression level:</source>
        <translation>ディスク イメージ ファイルを圧縮する、圧縮レベル:</translation>
    </message>
    <message>
        <source>Split Disk Image into slices,maximum size of a slice file:</source>
        <translation>ディスク イメージを分割する、分割ファイルの最大サイズ:</translation>
    </message>
</context>
<context>
    <name>qm::CImageDiskDiskInfo</name>
    <message>
        <source>Source Disk ID:</source>
        <translation>ソース ディスク:</translation>
    </message>
    <message>
        <source>Source Disk Size:</source>
        <translation>ソース ディスクのサイズ:</translation>
    </message>
    <message>
        <source>Source Disk Region Size:</source>
        <translation>範囲のサイズ:</translation>
    </message>
    <message>
        <source>Source Disk Region:</source>
        <translation>ソース ディスクの範囲:</translation>
    </message>
    <message>
        <source>Destination File:</source>
        <translation>保存先ファイル:</translation>
    </message>
    <message>
        <source>Compression Level:</source>
        <translation>圧縮レベル:</translation>
    </message>
</context>
<context>
    <name>qm::CImageDiskMasterDlg</name>
    <message>
        <source>Disk Image Wizard</source>
        <translation>ディスク イメージ ウィザード</translation>
    </message>
    <message>
        <source>&lt; Back</source>
        <translation>&lt; 戻る</translation>
    </message>
    <message>
        <source>Next &gt;</source>
        <translation>次へ &gt;</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>The destination lies on the disk being imaged: writing there would overwrite the space being rescued. Please choose a folder on another disk.</source>
        <translation>保存先がイメージ化するディスク上にあります。そこに書き込むと、救出しようとしている領域が上書きされます。別のディスク上のフォルダーを選択してください。</translation>
    </message>
    <message>
        <source>%1 blocks of the source could not be read; they were imaged as zeros.</source>
        <translation>ソースの %1 ブロックを読み取れませんでした。これらはゼロとしてイメージに保存されました。</translation>
    </message>
</context>
<context>
    <name>qm::CImageDiskModeChooseDlg</name>
    <message>
        <source>Welcome to Disk Image Wizard of Quenmark</source>
        <translation>Quenmark ディスク イメージ ウィザードへようこそ</translation>
    </message>
    <message>
        <source>Select Drive To Image:</source>
        <translation>イメージ化するドライブ:</translation>
    </message>
    <message>
        <source>Advanced Wizard Mode:</source>
        <translation>詳細モード:</translation>
    </message>
    <message>
        <source>To continue, click Next</source>
        <translation>続行するには [次へ] をクリックしてください</translation>
    </message>
</context>
<context>
    <name>qm::CImageDiskPathChooseDlg</name>
    <message>
        <source>Disk Image File Name:</source>
        <translation>ディスク イメージ ファイル名:</translation>
    </message>
</context>
<context>
    <name>qm::CImageDiskRunDlg</name>
    <message>
        <source>Current file:</source>
        <translation>現在のファイル:</translation>
    </message>
    <message>
        <source>Remaining Time:</source>
        <translation>残り時間:</translation>
    </message>
    <message>
        <source>Disk free space:</source>
        <translation>ディスクの空き領域:</translation>
    </message>
    <message>
        <source>Unreadable source blocks imaged as zeros: %1</source>
        <translation>ゼロとして保存された読み取り不能なブロック: %1</translation>
    </message>
</context>
<context>
    <name>qm::CImageDiskSetRegionDlg</name>
    <message>
        <source>First sector:</source>
        <translation>先頭セクター:</translation>
    </message>
    <message>
        <source>Last sector:</source>
        <translation>最終セクター:</translation>
    </message>
    <message>
        <source>Select region on the source disk which you want to store in the Disk Image and click Next</source>
        <translation>ディスク イメージに保存するソース ディスクの範囲を選択し、[次へ] をクリックしてください</translation>
    </message>
</context>
<context>
    <name>qm::CImageDiskSuccessDlg</name>
    <message>
        <source>Disk Image created successfully</source>
        <translation>ディスク イメージを作成しました</translation>
    </message>
    <message>
        <source>Disk Image file:</source>
        <translation>ディスク イメージ ファイル:</translation>
    </message>
    <message>
        <source>Open this Disk Image in device list</source>
        <translation>このディスク イメージをデバイス一覧で開く</translation>
    </message>
</context>
<context>
    <name>qm::CImageWindow</name>
    <message>
        <source>Warning! Not support the image format!</source>
        <translation>警告: この画像形式はサポートされていません。</translation>
    </message>
</context>
<context>
    <name>qm::COpenDiskImageErrorManageDlg</name>
    <message>
        <source>Add slice</source>
        <translation>分割ファイルを追加</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>Locate slice</source>
        <translation>分割ファイルの場所を指定</translation>
    </message>
    <message>
        <source>Zorv DISKIMAGE FILE(*.qmf)</source>
        <translation>Zorv ディスク イメージ ファイル (*.qmf)</translation>
    </message>
</context>
<context>
    <name>qm::COpenDiskImageMasterDlg</name>
    <message>
        <source>Open Disk Image</source>
        <translation>ディスク イメージを開く</translation>
    </message>
    <message>
        <source>Welcome to Open Disk Image Wizard</source>
        <translation>ディスク イメージを開くウィザードへようこそ</translation>
    </message>
    <message>
        <source>To continue,click next</source>
        <translation>続行するには [次へ] をクリックしてください</translation>
    </message>
    <message>
        <source>Disk image opened successfully</source>
        <translation>ディスク イメージを開きました</translation>
    </message>
    <message>
        <source>You can start working with opened Disk image in the list</source>
        <translation>一覧で開いたディスク イメージを使って作業を開始できます</translation>
    </message>
    <message>
        <source>Click Next to close wizard</source>
        <translation>[次へ] をクリックするとウィザードを閉じます</translation>
    </message>
    <message>
        <source>&lt; Back</source>
        <translation>&lt; 戻る</translation>
    </message>
    <message>
        <source>Next &gt;</source>
        <translation>次へ &gt;</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>The part list cannot be written. Please check the folder of the image.</source>
        <translation>分割ファイルの一覧を書き込めません。イメージのフォルダーを確認してください。</translation>
    </message>
</context>
<context>
    <name>qm::COpenDiskImagePathDlg</name>
    <message>
        <source>Disk image file name:</source>
        <translation>ディスク イメージ ファイル名:</translation>
    </message>
    <message>
        <source>PATH&gt;&gt;&gt;</source>
        <translation>参照&gt;&gt;&gt;</translation>
    </message>
</context>
<context>
    <name>qm::CPreviewLoadingDlg</name>
    <message>
        <source>Loading...</source>
        <translation>読み込み中...</translation>
    </message>
    <message>
        <source>Loading file...</source>
        <translation>ファイルを読み込み中...</translation>
    </message>
    <message>
        <source>Cannot preview this file.</source>
        <translation>このファイルはプレビューできません。</translation>
    </message>
</context>
<context>
    <name>qm::CPropertiesDlg</name>
    <message>
        <source>Properties</source>
        <translation>プロパティ</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名前</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>値</translation>
    </message>
</context>
<context>
    <name>qm::CRBClickRecoverFileDlg</name>
    <message>
        <source>Recovering...</source>
        <translation>復元中...</translation>
    </message>
    <message>
        <source>Recover </source>
        <translation>復元 </translation>
    </message>
    <message>
        <source>Failed to recover this file.</source>
        <translation>このファイルを復元できませんでした。</translation>
    </message>
</context>
<context>
    <name>qm::CRecoveringDlg</name>
    <message>
        <source>Recovering</source>
        <translation>復元中</translation>
    </message>
    <message>
        <source>Remaining Time:</source>
        <translation>残り時間:</translation>
    </message>
    <message>
        <source>Elapsed Time:</source>
        <translation>経過時間:</translation>
    </message>
    <message>
        <source>Selected Files:</source>
        <translation>選択したファイル:</translation>
    </message>
    <message>
        <source>Recovered Files:</source>
        <translation>復元したファイル:</translation>
    </message>
    <message>
        <source>Total Data Size:</source>
        <translation>合計データサイズ:</translation>
    </message>
    <message>
        <source>Recovered Data Size:</source>
        <translation>復元したデータサイズ:</translation>
    </message>
    <message>
        <source>Recovering File Name:</source>
        <translation>復元中のファイル名:</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>詳細</translation>
    </message>
    <message>
        <source>C&amp;ancel</source>
        <translation>キャンセル(&amp;A)</translation>
    </message>
</context>
<context>
    <name>qm::CRecoveryModeSelectPage</name>
    <message>
        <source>How did you lose your files?</source>
        <translation>ファイルを失った状況を選んでください</translation>
    </message>
</context>
<context>
    <name>qm::CRtfPreviewerDlg</name>
    <message>
        <source>Preview RTF</source>
        <translation>RTF のプレビュー</translation>
    </message>
</context>
<context>
    <name>qm::CSaveFilePage</name>
    <message>
        <source>Free space: %1</source>
        <translation>空き領域: %1</translation>
    </message>
    <message>
        <source>Required space: %1</source>
        <translation>必要な領域: %1</translation>
    </message>
    <message>
        <source>Used space: %1</source>
        <translation>使用済み領域: %1</translation>
    </message>
</context>
<context>
    <name>qm::CSearchFileDlg</name>
    <message>
        <source>Search files</source>
        <translation>ファイルの検索</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>種類</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>日付</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>サイズ</translation>
    </message>
    <message>
        <source>Other Parameters:</source>
        <translation>その他の条件:</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>検索</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>File Name, part of file name or file mask:</source>
        <translation>ファイル名、ファイル名の一部、またはファイル マスク:</translation>
    </message>
    <message>
        <source>Auto select files</source>
        <translation>ファイルを自動的に選択</translation>
    </message>
    <message>
        <source>Search location:</source>
        <translation>検索場所:</translation>
    </message>
    <message>
        <source>Additional Search Parameters:</source>
        <translation>追加の検索条件:</translation>
    </message>
    <message>
        <source>(Everywhere)</source>
        <translation>(すべての場所)</translation>
    </message>
    <message>
        <source>Modified</source>
        <translation>更新日時</translation>
    </message>
    <message>
        <source>Created</source>
        <translation>作成日時</translation>
    </message>
    <message>
        <source>Accessed</source>
        <translation>アクセス日時</translation>
    </message>
    <message>
        <source>in last</source>
        <translation>過去</translation>
    </message>
    <message>
        <source>month.</source>
        <translation>か月。</translation>
    </message>
    <message>
        <source>days.</source>
        <translation>日。</translation>
    </message>
    <message>
        <source>from</source>
        <translation>開始</translation>
    </message>
    <message>
        <source>up to</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>less than</source>
        <translation>未満</translation>
    </message>
    <message>
        <source>more than</source>
        <translation>より大きい</translation>
    </message>
    <message>
        <source>KB</source>
        <translation>KB</translation>
    </message>
    <message>
        <source>Case sensitive</source>
        <translation>大文字と小文字を区別</translation>
    </message>
    <message>
        <source>Include encrypted files</source>
        <translation>暗号化されたファイルを含める</translation>
    </message>
    <message>
        <source>No files match specific criteria.</source>
        <translation>条件に一致するファイルはありません。</translation>
    </message>
</context>
<context>
    <name>qm::CShellTreeCtrl</name>
    <message>
        <source>Home (%1)</source>
        <translation>ホーム (%1)</translation>
    </message>
    <message>
        <source>Computer</source>
        <translation>コンピューター</translation>
    </message>
</context>
<context>
    <name>qm::CTypeOfFileToRecoveryPage</name>
    <message>
        <source>Choose the types of file to look for:</source>
        <translation>検索するファイルの種類を選択してください:</translation>
    </message>
</context>
<context>
    <name>qm::CZorvReportDlg</name>
    <message>
        <source>Quenmark stopped unexpectedly.</source>
        <translation>Quenmark が予期せず終了しました。</translation>
    </message>
    <message>
        <source>A crash report and the program&apos;s log were kept on this computer; nothing was sent anywhere. If you ask for help, these two files tell what happened.</source>
        <translation>クラッシュレポートとプログラムのログはこのコンピューターに保存されました。どこにも送信されていません。サポートを依頼する際は、この 2 つのファイルで何が起きたかがわかります。</translation>
    </message>
    <message>
        <source>No crash report was found in %1.</source>
        <translation>%1 にクラッシュレポートが見つかりませんでした。</translation>
    </message>
    <message>
        <source>Crash report</source>
        <translation>クラッシュレポート</translation>
    </message>
    <message>
        <source>No log was found in %1.</source>
        <translation>%1 にログが見つかりませんでした。</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>ログ</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>フォルダーを開く</translation>
    </message>
    <message>
        <source>The folder %1 could not be opened.</source>
        <translation>フォルダー %1 を開けませんでした。</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>The file could not be read: %1</source>
        <translation>ファイルを読み取れませんでした: %1</translation>
    </message>
    <message>
        <source>Saved %1, %2</source>
        <translation>保存日時 %1、%2</translation>
    </message>
    <message>
        <source>Only the last %1 are shown; the file holds the rest.</source>
        <translation>末尾の %1 のみ表示しています。残りはファイルにあります。</translation>
    </message>
    <message>
        <source>Only the first %1 are shown; the file holds the rest.</source>
        <translation>先頭の %1 のみ表示しています。残りはファイルにあります。</translation>
    </message>
</context>
<context>
    <name>qm::DestinationPathRow</name>
    <message>
        <source>PATH&gt;&gt;&gt;</source>
        <translation>参照&gt;&gt;&gt;</translation>
    </message>
</context>
<context>
    <name>qm::PlaceholderWindow</name>
    <message>
        <source>The recovery wizard will appear here.</source>
        <translation>ここに復元ウィザードが表示されます。</translation>
    </message>
</context>
</TS>
