-- Skirmdeck server directory on SQL Server 2016 SP1 or later.
--
-- The client calls {call Name(?,...)} with every argument as text, by position, in the order
-- of the parameters below. Run this in the directory's database, for example:
--   sqlcmd -S HOST -U sa -d vexora -i sqlserver.sql
-- Running it again keeps the entries and replaces the procedures.
--
-- Every procedure sets NOCOUNT ON and raises before it writes anything: an error that follows a
-- row count can be lost on its way through some ODBC drivers.

SET ANSI_NULLS ON;
SET QUOTED_IDENTIFIER ON;
GO

IF OBJECT_ID(N'dbo.DirectoryEntries', N'U') IS NULL
BEGIN
    CREATE TABLE dbo.DirectoryEntries (
        EntryId        bigint IDENTITY(1, 1) NOT NULL CONSTRAINT PK_DirectoryEntries PRIMARY KEY,
        ServerName     nvarchar(255) NOT NULL,
        GameType       nvarchar(64)  NOT NULL,
        IPAddress      nvarchar(255) NOT NULL,
        Port           nvarchar(32)  NOT NULL,
        Mods           nvarchar(255) NOT NULL,
        ConnectionType nvarchar(32)  NOT NULL,
        ServerKey      nvarchar(255) NOT NULL,
        Source         nvarchar(255) NOT NULL,
        -- when the entry was posted or last refreshed (UTC); it is listed for 24 hours after that
        Posted         datetime2(7)  NOT NULL CONSTRAINT DF_DirectoryEntries_Posted DEFAULT SYSUTCDATETIME(),
        -- one entry per address, which also settles two posts of the same address racing each other
        CONSTRAINT UQ_DirectoryEntries_IPAddress UNIQUE (IPAddress)
    );
    CREATE INDEX IX_DirectoryEntries_Game ON dbo.DirectoryEntries (GameType, Posted DESC);
END;
GO

-- The entries of one game posted or refreshed within the last 24 hours, newest first.
CREATE OR ALTER PROCEDURE dbo.ActiveServers
    @Gametype nvarchar(64)
AS
BEGIN
    SET NOCOUNT ON;
    SELECT ServerName, IPAddress, Port, Mods
    FROM dbo.DirectoryEntries
    WHERE GameType = @Gametype
      AND Posted >= DATEADD(hour, -24, SYSUTCDATETIME())
    ORDER BY Posted DESC, EntryId DESC;
END;
GO

-- Posts an entry. An address that is already listed raises error 50001 with the word
-- ALREADYLISTED in the message; an expired entry is cleared away first and does not count.
CREATE OR ALTER PROCEDURE dbo.AddServer
    @ServerName     nvarchar(255),
    @Gametype       nvarchar(64),
    @IPAddress      nvarchar(255),
    @Port           nvarchar(32),
    @Mods           nvarchar(255),
    @ConnectionType nvarchar(32),
    @ServerKey      nvarchar(255),
    @Source         nvarchar(255)
AS
BEGIN
    SET NOCOUNT ON;
    SET XACT_ABORT ON;
    DECLARE @Cutoff datetime2(7) = DATEADD(hour, -24, SYSUTCDATETIME());
    BEGIN TRANSACTION;
    IF EXISTS (SELECT 1 FROM dbo.DirectoryEntries WITH (UPDLOCK, HOLDLOCK)
               WHERE IPAddress = @IPAddress AND Posted >= @Cutoff)
    BEGIN
        ROLLBACK TRANSACTION;
        DECLARE @Message nvarchar(2048) =
            CONCAT(N'ALREADYLISTED: a server with the address ', @IPAddress, N' is already listed');
        THROW 50001, @Message, 1;
    END;
    DELETE FROM dbo.DirectoryEntries WHERE Posted < @Cutoff;
    INSERT INTO dbo.DirectoryEntries (ServerName, GameType, IPAddress, Port, Mods, ConnectionType, ServerKey, Source)
    VALUES (@ServerName, @Gametype, @IPAddress, @Port, @Mods, @ConnectionType, @ServerKey, @Source);
    COMMIT TRANSACTION;
END;
GO

-- Removes the entry at an address, whoever posted it.
CREATE OR ALTER PROCEDURE dbo.DeleteServer
    @IPAddress nvarchar(255)
AS
BEGIN
    SET NOCOUNT ON;
    DELETE FROM dbo.DirectoryEntries WHERE IPAddress = @IPAddress;
END;
GO

-- Removes the entry at an address only when the key and the source it was posted with match.
CREATE OR ALTER PROCEDURE dbo.DeleteServerPWed
    @IPAddress nvarchar(255),
    @ServerKey nvarchar(255),
    @Source    nvarchar(255)
AS
BEGIN
    SET NOCOUNT ON;
    DELETE FROM dbo.DirectoryEntries
    WHERE IPAddress = @IPAddress AND ServerKey = @ServerKey AND Source = @Source;
END;
GO

-- Re-announces an entry: its 24 hours start again (an entry that had lapsed is listed again).
CREATE OR ALTER PROCEDURE dbo.UpdateServer
    @IPAddress nvarchar(255),
    @ServerKey nvarchar(255),
    @Source    nvarchar(255)
AS
BEGIN
    SET NOCOUNT ON;
    UPDATE dbo.DirectoryEntries SET Posted = SYSUTCDATETIME()
    WHERE IPAddress = @IPAddress AND ServerKey = @ServerKey AND Source = @Source;
END;
GO
