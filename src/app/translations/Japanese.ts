<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
    <name>CAttributesStates</name>
    <message>
        <source>About States</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDeviceCollector</name>
    <message>
        <source>This image file is open!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This is an invalid image file, please check it!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This image has been destroyed. </source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDeviceSelectCtrl</name>
    <message>
        <source>Device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Capacity</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Information</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CHasCheckboxPromptDlg</name>
    <message>
        <source>Don&apos;t show this message again.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CHyperLink</name>
    <message>
        <source>Unable to open hyperlink:

</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Path Invalid!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CMultipleChoosePartitionListCtrl</name>
    <message>
        <source>Partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Suggestion</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Option</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Files Match</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folder Match</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(recommended)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CPartitionLayoutFrame</name>
    <message>
        <source>Partitions layout on the disk image</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partitions layout on the partition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partitions layout on the disk </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Size</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CPartitionLayoutView</name>
    <message>
        <source>Rank</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CSaveFilePathDlg</name>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CScanPartitionPropertiesDlg</name>
    <message>
        <source>Scan Partition Properties</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Value</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CWaitingDlg</name>
    <message>
        <source>Please wait, scanning system...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CWizardSheet</name>
    <message>
        <source>Deleted File Recovery: the list of volumes comes with the device step.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Format Recovery: the list of volumes and images comes with the device step.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partition Recovery: the list of disks comes with the device step.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Found partitions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recovery result</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partitions found on the device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partitions found on the disk</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Files found</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HelpWindow</name>
    <message>
        <source>%1 Help</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>Quenmark</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recover lost files from hard disks, memory cards and USB drives. Choose how the files were lost.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recover deleted files from a partition or removable media, such as files deleted by Shift + Delete or emptied from Recycle Bin.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recover formatted files from existing partitions under any conditions. such as damaged or formatted partition, drive display as RAW etc.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find out lost, deleted, resized or damaged partition, MBR corrupted, partition overwritten etc. and then recover lost files and folders.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  Deleted File Recovery  </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  Format Recovery  </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  Partition Recovery  </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure to return to home page?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exit now?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  Quenmark  </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>English</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save language failed!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You have modified the system setting, please restart to apply. Restart now?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MSXML not registered</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to create MSXML instance</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quenmark has encountered a memory problem and needs to close.
We are sorry for the inconvenience.
You can enlarge your virtual memory and try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please restart the program manually!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quenmark has been running!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>zorv.chm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Japanese</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  Photo Recovery  </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recover photos, camera raw pictures and images from memory cards, cameras and disks, even after formatting.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to allocate the memory. Please untick &quot;Recover RAW file&quot; in RAW of &quot;Option&quot; and try again. </source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>qm::CRecoveryModeSelectPage</name>
    <message>
        <source>How did you lose your files?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>qm::CTypeOfFileToRecoveryPage</name>
    <message>
        <source>Choose the types of file to look for:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>qm::PlaceholderWindow</name>
    <message>
        <source>The recovery wizard will appear here.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
